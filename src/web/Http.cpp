#include "web/Http.hpp"

#include "foundation/NumberScanner.hpp"

#include <cctype>
#include <cstdio>

namespace web {

namespace {

// "+" stands for a space only in the query, as forms send it.
std::optional<std::string> decoded(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
            continue;
        }
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = fw::hexDigitValue(text[i + 1]);
        int low = fw::hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

} // namespace

std::string Request::header(std::string_view name) const
{
    auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

std::optional<std::string> Request::param(std::string_view name) const
{
    auto found = query.find(name);
    if (found == query.end())
        return std::nullopt;
    return found->second;
}

void Response::setHeader(std::string name, std::string value)
{
    for (auto& header : headers) {
        if (header.first == name) {
            header.second = std::move(value);
            return;
        }
    }
    headers.emplace_back(std::move(name), std::move(value));
}

std::optional<Target> parseTarget(std::string_view target)
{
    if (target.empty() || target.front() != '/')
        return std::nullopt;
    auto question = target.find('?');
    auto path = decoded(target.substr(0, question), false);
    if (!path)
        return std::nullopt;
    Target parsed { std::move(*path), {} };
    if (question == std::string_view::npos)
        return parsed;
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        auto amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty())
            continue;
        auto equals = pair.find('=');
        auto name = decoded(pair.substr(0, equals), true);
        auto value = decoded(
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), true);
        if (!name || !value)
            return std::nullopt;
        parsed.query.emplace(std::move(*name), std::move(*value));
    }
    return parsed;
}

std::string percentEncoded(std::string_view text, std::string_view alsoKept)
{
    std::string encoded;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'
            || alsoKept.find(static_cast<char>(c)) != std::string_view::npos) {
            encoded += static_cast<char>(c);
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        encoded += escaped;
    }
    return encoded;
}

} // namespace web
