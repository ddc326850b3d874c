#include "foundation/PropertyList.hpp"
#include "foundation/PropertyListFormats.hpp"

#include <cstdlib>
#include <memory>
#include <plist/plist.h>
#include <vector>

namespace fw {

namespace {

// Beyond what any settings file holds; they keep a hostile file from exhausting memory.
constexpr std::uint64_t kMaxBinaryObjects = 1u << 22;
constexpr std::uint64_t kMaxExpandedObjects = 1u << 22;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

std::uint64_t readBigEndian(const unsigned char* bytes, unsigned size) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// The object table of a binary property list, checked before libplist sees the file: libplist
// recurses once per nesting level and copies shared objects, so a deep or cyclic file would
// overflow the stack and a file sharing containers could expand without bound.
class BinaryLayout {
  public:
    explicit BinaryLayout(std::string_view bytes)
        : m_bytes(reinterpret_cast<const unsigned char*>(bytes.data())), m_size(bytes.size()) {}

    bool readTrailer();
    bool checkNesting();

  private:
    struct Container {
        std::size_t refs{0};    // where the object references start
        std::uint64_t count{0}; // how many references follow
    };
    struct Frame {
        std::uint64_t object;
        Container container;
        std::uint64_t next{0};
        unsigned tallestChild{0};
        std::uint64_t expanded{1};
    };

    // nullopt when the object is damaged; a container with count 0 for leaves.
    std::optional<Container> containerAt(std::uint64_t object) const;
    bool visitChild(std::vector<Frame>& stack);
    bool finish(std::vector<Frame>& stack);

    const unsigned char* m_bytes;
    std::size_t m_size;
    unsigned m_offsetSize{0};
    unsigned m_refSize{0};
    std::uint64_t m_objectCount{0};
    std::uint64_t m_topObject{0};
    std::uint64_t m_offsetTable{0};
    std::vector<std::uint16_t> m_height; // 0: not seen; kInProgress: on the current path
    std::vector<std::uint32_t> m_expanded;
    static constexpr std::uint16_t kInProgress = 0xFFFF;
};

bool BinaryLayout::readTrailer() {
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

std::optional<BinaryLayout::Container> BinaryLayout::containerAt(std::uint64_t object) const {
    std::uint64_t offset =
        readBigEndian(m_bytes + m_offsetTable + object * m_offsetSize, m_offsetSize);
    if (offset < kHeaderSize || offset >= m_offsetTable)
        return std::nullopt;
    unsigned marker = m_bytes[offset];
    unsigned type = marker >> 4;
    if (type != 0xA && type != 0xC && type != 0xD)
        return Container{};
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
    return Container{position, count * references};
}

bool BinaryLayout::visitChild(std::vector<Frame>& stack) {
    Frame& frame = stack.back();
    std::uint64_t child =
        readBigEndian(m_bytes + frame.container.refs + frame.next * m_refSize, m_refSize);
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
            stack.push_back({child, *container});
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

bool BinaryLayout::finish(std::vector<Frame>& stack) {
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
bool BinaryLayout::checkNesting() {
    auto top = containerAt(m_topObject);
    if (!top)
        return false;
    if (top->count == 0)
        return true;
    m_height.assign(m_objectCount, 0);
    m_expanded.assign(m_objectCount, 0);
    std::vector<Frame> stack;
    m_height[m_topObject] = kInProgress;
    stack.push_back({m_topObject, *top});
    while (!stack.empty()) {
        bool ok =
            stack.back().next < stack.back().container.count ? visitChild(stack) : finish(stack);
        if (!ok)
            return false;
    }
    return true;
}

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

bool convertNode(plist_t node, Value& out, int depth);

bool convertDictionary(plist_t node, Value& out, int depth) {
    out = Value(Dictionary{});
    Dictionary& dictionary = *out.asDictionary();
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    bool ok = iterator != nullptr;
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, &key, &item);
        if (!key || !item) {
            std::free(key);
            break;
        }
        std::string name(key);
        std::free(key);
        ok = ok && isValidUtf8(name) &&
             convertNode(item, dictionary.try_emplace(std::move(name)).first->second, depth + 1);
    }
    std::free(iterator);
    return ok;
}

bool convertArray(plist_t node, Value& out, int depth) {
    out = Value(Array{});
    Array& array = *out.asArray();
    array.reserve(plist_array_get_size(node));
    // The iterator, because indexing walks the list from its start for every item.
    plist_array_iter iterator = nullptr;
    plist_array_new_iter(node, &iterator);
    bool ok = iterator != nullptr;
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(node, iterator, &item);
        if (!item)
            break;
        ok = ok && convertNode(item, array.emplace_back(), depth + 1);
    }
    std::free(iterator);
    return ok;
}

bool convertScalar(plist_t node, plist_type type, Value& out) {
    switch (type) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        out = Value(value != 0);
        return true;
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // The binary form stores integers as signed 64-bit values.
        out = Value(static_cast<std::int64_t>(value));
        return true;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        out = Value(value);
        return true;
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (!text || !isValidUtf8(std::string_view(text, length)))
            return false;
        out = Value(std::string(text, length));
        return true;
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        out = bytes ? Value(Data(bytes, bytes + length)) : Value(Data{});
        return true;
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        out = Value(Date{seconds + microseconds / 1e6});
        return true;
    }
    default:
        // Keyed-archive UIDs and anything else are not property-list values here.
        return false;
    }
}

bool convertNode(plist_t node, Value& out, int depth) {
    if (!node || depth > kMaxPropertyListDepth)
        return false;
    plist_type type = plist_get_node_type(node);
    if (type == PLIST_DICT)
        return convertDictionary(node, out, depth);
    if (type == PLIST_ARRAY)
        return convertArray(node, out, depth);
    return convertScalar(node, type, out);
}

} // namespace

std::optional<Value> parseBinaryPropertyList(std::string_view bytes) {
    BinaryLayout layout(bytes);
    if (!layout.readTrailer() || !layout.checkNesting())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_bin(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistPointer owner(root);
    if (!root)
        return std::nullopt;
    Value value;
    if (!convertNode(root, value, 1))
        return std::nullopt;
    return value;
}

} // namespace fw
