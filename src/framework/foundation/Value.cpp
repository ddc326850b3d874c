#include "foundation/Value.hpp"

namespace fw {

namespace {

// NSString's boolValue: leading spaces and tabs (not line breaks), an optional sign and leading
// zeros are skipped; the text is true when what follows starts with Y, y, T, t or a digit 1-9.
bool stringBoolValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i == text.size())
        return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

} // namespace

bool Value::boolValue() const
{
    if (auto b = asBool())
        return *b;
    if (auto i = asInteger())
        return *i != 0;
    if (auto d = asReal())
        return *d != 0;
    if (auto s = asString())
        return stringBoolValue(*s);
    return false;
}

std::optional<double> Value::numberValue() const
{
    if (auto b = asBool())
        return *b ? 1.0 : 0.0;
    if (auto i = asInteger())
        return static_cast<double>(*i);
    if (auto d = asReal())
        return *d;
    return std::nullopt;
}

const Value* lookup(const Dictionary& dictionary, std::string_view key)
{
    auto it = dictionary.find(key);
    if (it == dictionary.end())
        return nullptr;
    return &it->second;
}

} // namespace fw
