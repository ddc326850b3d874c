#pragma once

#include "web/Http.hpp"

#include <string>
#include <string_view>

namespace web {

// Every answer with a JSON body is made here, so each is valid JSON whatever it echoes: text
// from a request (a name, a toggle) is escaped, and bytes that are not UTF-8 are replaced.

// `json` is already a JSON document (a screen, a preview).
Response jsonAnswer(int status, std::string json);
// {"error": message}
Response errorAnswer(int status, std::string_view message);
// {name: value}, value a string
Response fieldAnswer(int status, std::string_view name, std::string_view value);
// A JSON array of strings.
Response listAnswer(int status, const std::vector<std::string>& items);
// The settings are handling something else for longer than a request may wait.
Response busyAnswer();

// The text as a JSON string, quotes included.
std::string jsonString(std::string_view text);

} // namespace web
