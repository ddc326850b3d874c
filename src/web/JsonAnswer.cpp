#include "web/JsonAnswer.hpp"

#include <nlohmann/json.hpp>

namespace web {

namespace {

std::string dumped(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

Response jsonAnswer(int status, std::string json)
{
    return Response { status, "application/json", std::move(json), {} };
}

Response errorAnswer(int status, std::string_view message)
{
    return jsonAnswer(status, dumped({ { "error", message } }));
}

Response fieldAnswer(int status, std::string_view name, std::string_view value)
{
    return jsonAnswer(status, dumped({ { name, value } }));
}

Response listAnswer(int status, const std::vector<std::string>& items)
{
    return jsonAnswer(status, dumped(items));
}

Response busyAnswer()
{
    return errorAnswer(503, "the settings are busy; try again");
}

std::string jsonString(std::string_view text)
{
    return dumped(text);
}

} // namespace web
