#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

class Value;

using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;
using Data = std::vector<std::uint8_t>;

// Seconds since 2001-01-01 00:00:00 UTC, the reference date of property lists.
struct Date {
    double secondsSinceReferenceDate { 0 };
    bool operator==(const Date&) const = default;
};

// One property-list value: the only data type the bundle stores or reads.
class Value {
public:
    using Storage
        = std::variant<bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary>;

    Value()
        : m_storage(Dictionary {})
    {
    }
    Value(bool b)
        : m_storage(b)
    {
    }
    Value(int i)
        : m_storage(std::int64_t { i })
    {
    }
    Value(std::int64_t i)
        : m_storage(i)
    {
    }
    Value(double d)
        : m_storage(d)
    {
    }
    Value(const char* s)
        : m_storage(std::string(s))
    {
    }
    Value(std::string s)
        : m_storage(std::move(s))
    {
    }
    Value(std::string_view s)
        : m_storage(std::string(s))
    {
    }
    Value(Data d)
        : m_storage(std::move(d))
    {
    }
    Value(Date d)
        : m_storage(d)
    {
    }
    Value(Array a)
        : m_storage(std::move(a))
    {
    }
    Value(Dictionary d)
        : m_storage(std::move(d))
    {
    }

    bool isBool() const { return std::holds_alternative<bool>(m_storage); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(m_storage); }
    bool isReal() const { return std::holds_alternative<double>(m_storage); }
    bool isNumber() const { return isInteger() || isReal(); }
    bool isString() const { return std::holds_alternative<std::string>(m_storage); }
    bool isData() const { return std::holds_alternative<Data>(m_storage); }
    bool isDate() const { return std::holds_alternative<Date>(m_storage); }
    bool isArray() const { return std::holds_alternative<Array>(m_storage); }
    bool isDictionary() const { return std::holds_alternative<Dictionary>(m_storage); }

    // Typed access; each returns nullptr when the value holds another type.
    const bool* asBool() const { return std::get_if<bool>(&m_storage); }
    const std::int64_t* asInteger() const { return std::get_if<std::int64_t>(&m_storage); }
    const double* asReal() const { return std::get_if<double>(&m_storage); }
    const std::string* asString() const { return std::get_if<std::string>(&m_storage); }
    const Data* asData() const { return std::get_if<Data>(&m_storage); }
    const Date* asDate() const { return std::get_if<Date>(&m_storage); }
    const Array* asArray() const { return std::get_if<Array>(&m_storage); }
    Array* asArray() { return std::get_if<Array>(&m_storage); }
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&m_storage); }
    Dictionary* asDictionary() { return std::get_if<Dictionary>(&m_storage); }

    // NSNumber's boolValue: booleans as they are, numbers non-zero, strings "YES"/"true"/non-zero
    // digits as NSString's boolValue reads them; anything else is false.
    bool boolValue() const;
    // NSNumber's doubleValue for numbers and booleans; nullopt for other types.
    std::optional<double> numberValue() const;

    const Storage& storage() const { return m_storage; }
    bool operator==(const Value& other) const { return m_storage == other.m_storage; }

private:
    Storage m_storage;
};

// Looks a key up in a dictionary; nullptr when absent.
const Value* lookup(const Dictionary& dictionary, std::string_view key);

} // namespace fw
