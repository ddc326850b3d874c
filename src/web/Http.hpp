#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace web {

// A request whose headers and body the server has read within its limits; nothing else about
// it has been judged. Header names are in lower case.
struct Request {
    std::string method;
    std::string path; // percent-decoded, without the query
    std::map<std::string, std::string, std::less<>> query; // decoded; the first of each name
    std::map<std::string, std::string, std::less<>> headers;
    std::string body;
    // Arrived through the listener on 127.0.0.1 (rather than one shared on the local network).
    bool loopback { true };
    // The address and port the request arrived at ("192.0.2.1:8517").
    std::string local;
    // Let in with the view secret of a phone: it may only look (set by the server's gate).
    bool viewer { false };

    // The header's value, or "" when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const { return headers.contains(name); }
    std::optional<std::string> param(std::string_view name) const;
};
using RequestPtr = std::shared_ptr<const Request>;

struct Response {
    int status { 200 };
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    // The server keeps the connection open and sends the broadcast on it as an event stream:
    // every message, or for a viewer only the pictures.
    bool eventStream { false };
    bool picturesOnly { false };

    void setHeader(std::string name, std::string value);
};

// Sends the answer to a request: call it once, from any thread.
using Reply = std::function<void(Response)>;

// Splits a request target ("/api/presets/file?name=A%20B") into its decoded path and
// parameters; nullopt for a target that is not a path or holds a broken escape.
struct Target {
    std::string path;
    std::map<std::string, std::string, std::less<>> query;
};
std::optional<Target> parseTarget(std::string_view target);

// Percent-encodes everything but letters, digits, "-._~" and the characters of `alsoKept`, so
// that text from a request can go into a header.
std::string percentEncoded(std::string_view text, std::string_view alsoKept = "");

} // namespace web
