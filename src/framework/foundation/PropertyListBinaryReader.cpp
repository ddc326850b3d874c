#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fw {

namespace {

// Beyond what any settings file holds; they keep a hostile file from exhausting memory.
constexpr std::uint64_t kMaxBinaryObjects = 1u << 22;
constexpr std::uint64_t kMaxExpandedObjects = 1u << 22;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

std::uint64_t readBigEndian(const unsigned char* bytes, unsigned size)
{
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i)
        value = value << 8 | bytes[i];
    return value;
}

template <class T> std::vector<T>& scratch()
{
    thread_local std::vector<T> vector;
    return vector;
}

// The object table of a binary property list, checked before any value is built: the reader
// recurses once per nesting level and copies shared objects, so a deep or cyclic file would
// overflow the stack and a file sharing containers could expand without bound.
class BinaryLayout {
public:
    explicit BinaryLayout(std::string_view bytes)
        : m_bytes(reinterpret_cast<const unsigned char*>(bytes.data()))
        , m_size(bytes.size())
    {
    }
    BinaryLayout(const BinaryLayout&) = delete;
    BinaryLayout& operator=(const BinaryLayout&) = delete;
    ~BinaryLayout()
    {
        // A settings file's bookkeeping stays for the next read; a huge file's does not.
        constexpr std::size_t kKept = 1u << 16;
        if (m_height.capacity() > kKept) {
            std::vector<std::uint16_t>().swap(m_height);
            std::vector<std::uint32_t>().swap(m_expanded);
        }
    }

    bool readTrailer();
    bool checkNesting();
    // Builds the top object; only after checkNesting.
    bool readTop(Value& out) const { return read(m_topObject, out); }

private:
    struct Container {
        std::size_t refs { 0 }; // where the object references start
        std::uint64_t count { 0 }; // how many references follow
    };
    struct Frame {
        std::uint64_t object;
        Container container;
        std::uint64_t next { 0 };
        unsigned tallestChild { 0 };
        std::uint64_t expanded { 1 };
    };

    // nullopt when the object is damaged; a container with count 0 for leaves.
    std::optional<Container> containerAt(std::uint64_t object) const;
    std::optional<std::size_t> offsetOf(std::uint64_t object) const;
    bool lengthAt(unsigned marker, std::size_t& position, std::uint64_t& length) const;
    bool fits(std::size_t position, std::uint64_t size) const;
    bool read(std::uint64_t object, Value& out) const;
    bool readNumber(unsigned marker, std::size_t position, Value& out) const;
    bool readText(unsigned marker, std::size_t position, std::string& out) const;
    bool readArray(std::uint64_t object, Value& out) const;
    bool readDictionary(std::uint64_t object, Value& out) const;
    bool visitChild(std::vector<Frame>& stack);
    bool finish(std::vector<Frame>& stack);

    const unsigned char* m_bytes;
    std::size_t m_size;
    unsigned m_offsetSize { 0 };
    unsigned m_refSize { 0 };
    std::uint64_t m_objectCount { 0 };
    std::uint64_t m_topObject { 0 };
    std::uint64_t m_offsetTable { 0 };
    // 0: not seen; kInProgress: on the current path. Both are the thread's scratch vectors, so
    // that a read does not allocate them anew; they hold bookkeeping, never file contents.
    std::vector<std::uint16_t>& m_height { scratch<std::uint16_t>() };
    std::vector<std::uint32_t>& m_expanded { scratch<std::uint32_t>() };
    static constexpr std::uint16_t kInProgress = 0xFFFF;
};

bool BinaryLayout::readTrailer()
{
    if (m_size < kHeaderSize + kTrailerSize + 1)
        return false;
    const unsigned char* trailer = m_bytes + m_size - kTrailerSize;
    m_offsetSize = trailer[6];
    m_refSize = trailer[7];
    m_objectCount = readBigEndian(trailer + 8, 8);
    m_topObject = readBigEndian(trailer + 16, 8);
    m_offsetTable = readBigEndian(trailer + 24, 8);
    if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
        return false;
    if (m_objectCount == 0 || m_objectCount > kMaxBinaryObjects || m_topObject >= m_objectCount)
        return false;
    std::uint64_t tableEnd = m_size - kTrailerSize;
    if (m_offsetTable < kHeaderSize || m_offsetTable > tableEnd)
        return false;
    return m_objectCount <= (tableEnd - m_offsetTable) / m_offsetSize;
}

std::optional<BinaryLayout::Container> BinaryLayout::containerAt(std::uint64_t object) const
{
    std::uint64_t offset
        = readBigEndian(m_bytes + m_offsetTable + object * m_offsetSize, m_offsetSize);
    if (offset < kHeaderSize || offset >= m_offsetTable)
        return std::nullopt;
    unsigned marker = m_bytes[offset];
    unsigned type = marker >> 4;
    if (type != 0xA && type != 0xC && type != 0xD)
        return Container {};
    std::size_t position = static_cast<std::size_t>(offset) + 1;
    std::uint64_t count = marker & 0xF;
    if (count == 0xF) {
        if (position >= m_offsetTable || (m_bytes[position] >> 4) != 0x1)
            return std::nullopt;
        unsigned size = 1u << (m_bytes[position] & 0x3);
        if ((m_bytes[position] & 0xF) > 3 || position + 1 + size > m_offsetTable)
            return std::nullopt;
        count = readBigEndian(m_bytes + position + 1, size);
        position += 1 + size;
    }
    std::uint64_t references = type == 0xD ? 2 : 1;
    if (count > (m_offsetTable - position) / m_refSize / references)
        return std::nullopt;
    return Container { position, count * references };
}

bool BinaryLayout::visitChild(std::vector<Frame>& stack)
{
    Frame& frame = stack.back();
    std::uint64_t child
        = readBigEndian(m_bytes + frame.container.refs + frame.next * m_refSize, m_refSize);
    ++frame.next;
    if (child >= m_objectCount || m_height[child] == kInProgress)
        return false;
    std::uint64_t childDepth = stack.size() + 1;
    if (m_height[child] == 0) {
        auto container = containerAt(child);
        if (!container || childDepth > kMaxPropertyListDepth)
            return false;
        if (container->count > 0) {
            m_height[child] = kInProgress;
            stack.push_back({ child, *container });
            return true;
        }
        m_height[child] = 1;
        m_expanded[child] = 1;
    }
    if (childDepth + m_height[child] - 1 > kMaxPropertyListDepth)
        return false;
    frame.tallestChild = std::max<unsigned>(frame.tallestChild, m_height[child]);
    frame.expanded += m_expanded[child];
    return frame.expanded <= kMaxExpandedObjects;
}

bool BinaryLayout::finish(std::vector<Frame>& stack)
{
    Frame done = stack.back();
    stack.pop_back();
    m_height[done.object] = static_cast<std::uint16_t>(done.tallestChild + 1);
    m_expanded[done.object] = static_cast<std::uint32_t>(done.expanded);
    if (stack.empty())
        return true;
    Frame& parent = stack.back();
    parent.tallestChild = std::max<unsigned>(parent.tallestChild, m_height[done.object]);
    parent.expanded += done.expanded;
    return parent.expanded <= kMaxExpandedObjects;
}

// Walks every container reachable from the top object without recursion, once each.
bool BinaryLayout::checkNesting()
{
    auto top = containerAt(m_topObject);
    if (!top)
        return false;
    if (top->count == 0)
        return true;
    m_height.assign(m_objectCount, 0);
    m_expanded.assign(m_objectCount, 0);
    std::vector<Frame> stack;
    m_height[m_topObject] = kInProgress;
    stack.push_back({ m_topObject, *top });
    while (!stack.empty()) {
        bool ok
            = stack.back().next < stack.back().container.count ? visitChild(stack) : finish(stack);
        if (!ok)
            return false;
    }
    return true;
}

bool isString(unsigned marker)
{
    return (marker >> 4) == 0x5 || (marker >> 4) == 0x6;
}

// Appends a code point as UTF-8.
void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<std::size_t> BinaryLayout::offsetOf(std::uint64_t object) const
{
    if (object >= m_objectCount)
        return std::nullopt;
    std::uint64_t offset
        = readBigEndian(m_bytes + m_offsetTable + object * m_offsetSize, m_offsetSize);
    if (offset < kHeaderSize || offset >= m_offsetTable)
        return std::nullopt;
    return static_cast<std::size_t>(offset);
}

// The length of an object's contents: the marker's low nibble, or the integer object after it.
bool BinaryLayout::lengthAt(unsigned marker, std::size_t& position, std::uint64_t& length) const
{
    length = marker & 0xF;
    if (length != 0xF)
        return true;
    if (position >= m_offsetTable || (m_bytes[position] >> 4) != 0x1
        || (m_bytes[position] & 0xF) > 3)
        return false;
    unsigned size = 1u << (m_bytes[position] & 0x3);
    if (position + 1 + size > m_offsetTable)
        return false;
    length = readBigEndian(m_bytes + position + 1, size);
    position += 1 + size;
    return true;
}

bool BinaryLayout::fits(std::size_t position, std::uint64_t size) const
{
    return size <= m_offsetTable - position;
}

bool BinaryLayout::readNumber(unsigned marker, std::size_t position, Value& out) const
{
    unsigned type = marker >> 4;
    unsigned size = 1u << (marker & 0xF);
    if ((marker & 0xF) > 4 || !fits(position, size))
        return false;
    if (type == 0x1) {
        // Integers are signed 64-bit; a 16-byte one carries its value in the low half.
        std::size_t at = size == 16 ? position + 8 : position;
        out = Value(static_cast<std::int64_t>(readBigEndian(m_bytes + at, std::min(size, 8u))));
        return true;
    }
    double real = 0;
    if (size == 8) {
        std::uint64_t bits = readBigEndian(m_bytes + position, 8);
        std::memcpy(&real, &bits, sizeof real);
    } else if (size == 4) {
        auto bits = static_cast<std::uint32_t>(readBigEndian(m_bytes + position, 4));
        float single = 0;
        std::memcpy(&single, &bits, sizeof single);
        real = single;
    } else {
        return false;
    }
    out = type == 0x3 ? Value(Date { real }) : Value(real);
    return true;
}

bool BinaryLayout::readText(unsigned marker, std::size_t position, std::string& out) const
{
    std::uint64_t length = 0;
    if (!lengthAt(marker, position, length))
        return false;
    const unsigned char* text = m_bytes + position;
    if ((marker >> 4) == 0x5) {
        if (!fits(position, length))
            return false;
        out.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
        return isValidUtf8(out);
    }
    if (length > (m_offsetTable - position) / 2)
        return false;
    out.clear();
    out.reserve(static_cast<std::size_t>(length));
    // A surrogate without its partner cannot be written in UTF-8: it reads as U+FFFD, so one
    // damaged character does not make the whole file unreadable.
    constexpr std::uint32_t kReplacement = 0xFFFD;
    for (std::uint64_t i = 0; i < length; ++i) {
        auto unit = static_cast<std::uint32_t>(readBigEndian(text + 2 * i, 2));
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < length) {
            auto next = static_cast<std::uint32_t>(readBigEndian(text + 2 * (i + 1), 2));
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, high || low ? kReplacement : unit);
    }
    return true;
}

// Reads an object whose containers checkNesting has already walked: no cycles, bounded depth.
bool BinaryLayout::read(std::uint64_t object, Value& out) const
{
    auto offset = offsetOf(object);
    if (!offset)
        return false;
    unsigned marker = m_bytes[*offset];
    std::size_t position = *offset + 1;
    switch (marker >> 4) {
    case 0x0:
        // Only the two booleans; null and fill objects are no property-list values.
        if (marker != 0x08 && marker != 0x09)
            return false;
        out = Value(marker == 0x09);
        return true;
    case 0x1:
    case 0x2:
    case 0x3:
        return readNumber(marker, position, out);
    case 0x4: {
        std::uint64_t length = 0;
        if (!lengthAt(marker, position, length) || !fits(position, length))
            return false;
        out = Value(Data(m_bytes + position, m_bytes + position + length));
        return true;
    }
    case 0x5:
    case 0x6: {
        std::string text;
        if (!readText(marker, position, text))
            return false;
        out = Value(std::move(text));
        return true;
    }
    case 0xA:
    case 0xC:
        return readArray(object, out);
    case 0xD:
        return readDictionary(object, out);
    default:
        // Keyed-archive UIDs and anything else are not property-list values here.
        return false;
    }
}

bool BinaryLayout::readArray(std::uint64_t object, Value& out) const
{
    auto container = containerAt(object);
    if (!container)
        return false;
    out = Value(Array {});
    Array& array = *out.asArray();
    array.reserve(static_cast<std::size_t>(container->count));
    for (std::uint64_t i = 0; i < container->count; ++i) {
        std::uint64_t item = readBigEndian(m_bytes + container->refs + i * m_refSize, m_refSize);
        if (!read(item, array.emplace_back()))
            return false;
    }
    return true;
}

bool BinaryLayout::readDictionary(std::uint64_t object, Value& out) const
{
    auto container = containerAt(object);
    if (!container)
        return false;
    out = Value(Dictionary {});
    Dictionary& dictionary = *out.asDictionary();
    std::uint64_t pairs = container->count / 2;
    std::string key;
    for (std::uint64_t i = 0; i < pairs; ++i) {
        std::uint64_t keyObject
            = readBigEndian(m_bytes + container->refs + i * m_refSize, m_refSize);
        std::uint64_t valueObject
            = readBigEndian(m_bytes + container->refs + (pairs + i) * m_refSize, m_refSize);
        auto keyOffset = offsetOf(keyObject);
        if (!keyOffset || !isString(m_bytes[*keyOffset])
            || !readText(m_bytes[*keyOffset], *keyOffset + 1, key))
            return false;
        // Writers sort the keys, so the end is almost always the right place; a repeated key
        // holds its last value.
        auto slot = dictionary.emplace_hint(dictionary.end(), key, Value {});
        if (!read(valueObject, slot->second))
            return false;
    }
    return true;
}

} // namespace

std::optional<Value> parseBinaryPropertyList(std::string_view bytes)
{
    BinaryLayout layout(bytes);
    if (!layout.readTrailer() || !layout.checkNesting())
        return std::nullopt;
    Value value;
    if (!layout.readTop(value))
        return std::nullopt;
    return value;
}

} // namespace fw
