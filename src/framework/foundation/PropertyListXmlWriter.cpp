#include "foundation/Base64.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace fw {

namespace {

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                     "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";

struct CivilTime {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

// The civil date of a count of seconds since the reference date (proleptic Gregorian, UTC).
CivilTime civilTime(double secondsSinceReferenceDate)
{
    constexpr std::int64_t kReferenceDateInUnixTime = 978307200;
    auto seconds = static_cast<std::int64_t>(std::floor(secondsSinceReferenceDate))
        + kReferenceDateInUnixTime;
    std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    auto secondOfDay = static_cast<unsigned>(seconds - days * 86400);
    days += 719468;
    std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    return { year, month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60 };
}

class XmlWriter {
public:
    std::string take() { return std::move(m_out); }
    void start() { m_out.append(kHeader); }
    void finish() { m_out.append(kFooter); }
    void write(const Value& value, int indent);
    void writeDictionary(const Dictionary& dictionary, int indent);

private:
    void writeArray(const Array& array, int indent);
    void writeData(const Data& data, int indent);
    void writeReal(double real);
    void writeDate(Date date);
    void element(std::string_view tag, std::string_view text, bool escape);
    void indentBy(int indent) { m_out.append(static_cast<std::size_t>(indent), '\t'); }
    void appendEscaped(std::string_view text);

    std::string m_out;
};

void XmlWriter::appendEscaped(std::string_view text)
{
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '&' && c != '<' && c != '>')
            continue;
        m_out.append(text.substr(plain, i - plain));
        m_out.append(c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;");
        plain = i + 1;
    }
    m_out.append(text.substr(plain));
}

void XmlWriter::element(std::string_view tag, std::string_view text, bool escape)
{
    m_out += '<';
    m_out.append(tag);
    m_out += '>';
    if (escape)
        appendEscaped(text);
    else
        m_out.append(text);
    m_out.append("</");
    m_out.append(tag);
    m_out.append(">\n");
}

void XmlWriter::write(const Value& value, int indent)
{
    indentBy(indent);
    if (auto dictionary = value.asDictionary())
        return writeDictionary(*dictionary, indent);
    if (auto array = value.asArray())
        return writeArray(*array, indent);
    if (auto string = value.asString())
        return element("string", *string, true);
    if (auto boolean = value.asBool()) {
        m_out.append(*boolean ? "<true/>\n" : "<false/>\n");
        return;
    }
    if (auto integer = value.asInteger()) {
        char buffer[24];
        auto end = std::to_chars(buffer, buffer + sizeof buffer, *integer).ptr;
        return element("integer", std::string_view(buffer, end - buffer), false);
    }
    if (auto real = value.asReal())
        return writeReal(*real);
    if (auto data = value.asData())
        return writeData(*data, indent);
    if (auto date = value.asDate())
        return writeDate(*date);
}

void XmlWriter::writeDictionary(const Dictionary& dictionary, int indent)
{
    if (dictionary.empty()) {
        m_out.append("<dict/>\n");
        return;
    }
    m_out.append("<dict>\n");
    for (const auto& [key, item] : dictionary) {
        indentBy(indent + 1);
        element("key", key, true);
        write(item, indent + 1);
    }
    indentBy(indent);
    m_out.append("</dict>\n");
}

void XmlWriter::writeArray(const Array& array, int indent)
{
    if (array.empty()) {
        m_out.append("<array/>\n");
        return;
    }
    m_out.append("<array>\n");
    for (const Value& item : array)
        write(item, indent + 1);
    indentBy(indent);
    m_out.append("</array>\n");
}

// As Apple writes it: 17 significant digits, so that every real reads back exactly.
void XmlWriter::writeReal(double real)
{
    if (std::isnan(real))
        return element("real", "nan", false);
    if (std::isinf(real))
        return element("real", real > 0 ? "+infinity" : "-infinity", false);
    char buffer[32];
    auto end
        = std::to_chars(buffer, buffer + sizeof buffer, real, std::chars_format::general, 17).ptr;
    element("real", std::string_view(buffer, end - buffer), false);
}

// Base64 on lines of at most 76 columns, a tab counting as eight, as Apple's writer does.
void XmlWriter::writeData(const Data& data, int indent)
{
    m_out.append("<data>\n");
    std::string encoded
        = base64Encode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    int level = std::min(indent, 8);
    std::size_t width = static_cast<std::size_t>(76 - 8 * level) / 4 * 4;
    for (std::size_t at = 0; at < encoded.size(); at += width) {
        indentBy(level);
        m_out.append(std::string_view(encoded).substr(at, width));
        m_out += '\n';
    }
    indentBy(indent);
    m_out.append("</data>\n");
}

void XmlWriter::writeDate(Date date)
{
    // A binary file may hold any number as a date; beyond the four-digit years (or not a number
    // at all) the conversion to whole seconds would overflow.
    double seconds = date.secondsSinceReferenceDate;
    seconds = std::isnan(seconds) ? 0.0 : std::clamp(seconds, kEarliestXmlDate, kLatestXmlDate);
    CivilTime time = civilTime(seconds);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02uZ",
        static_cast<long long>(time.year), time.month, time.day, time.hour, time.minute,
        time.second);
    element("date", buffer, false);
}

} // namespace

std::string writeXmlPropertyList(const Value& value)
{
    XmlWriter writer;
    writer.start();
    writer.write(value, 0);
    writer.finish();
    return writer.take();
}

std::string writeXmlPropertyList(const Dictionary& dictionary)
{
    XmlWriter writer;
    writer.start();
    writer.writeDictionary(dictionary, 0);
    writer.finish();
    return writer.take();
}

} // namespace fw
