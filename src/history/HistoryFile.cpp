#include "history/CborShape.hpp"
#include "history/History.hpp"

#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <stdexcept>
#include <unordered_map>
#include <zlib.h>

// The history file's form: a marker, a checksum of the rest, then one CBOR document whose steps
// are each a CBOR document of their own, so that a step is encoded once for all later saves.
namespace history {

using nlohmann::json;

namespace {

constexpr std::string_view kMagic = "QLNHIST1";
// Small pieces cost more to compress than they save.
constexpr std::size_t kCompressFrom = 96;
// A file of the device is read up to this size, so no side of a step is larger.
constexpr std::uint64_t kMaxStoredBytes = 64u << 20;
// Deflate never makes more than this many bytes of one: a stored size above it is a lie, found
// out before its memory is taken.
constexpr std::uint64_t kMaxInflation = 1032;
// The document holds a handful of fields, the known files and the steps; a step its fields and
// its changes. Deeper or larger documents are not ours.
constexpr int kMaxDepth = 4;
constexpr std::size_t kMaxItems = 1u << 20;

// What decoding may still allocate for the files' bytes, all of them together.
class Budget {
public:
    void take(std::uint64_t bytes)
    {
        if (bytes > m_left)
            throw std::runtime_error("it holds more than "
                + std::to_string(History::kMaxDecodedBytes >> 20) + " MiB of files");
        m_left -= bytes;
    }

private:
    std::uint64_t m_left { History::kMaxDecodedBytes };
};

json binary(std::string_view bytes)
{
    return json::binary(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string compressed(std::string_view bytes)
{
    // The same preset and settings files are stored again on every save: keep their packing.
    static std::unordered_map<std::string, std::string> memo;
    if (auto found = memo.find(std::string(bytes)); found != memo.end())
        return found->second;
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), 6)
        != Z_OK)
        throw std::runtime_error("compression failed");
    out.resize(size);
    if (memo.size() > 64)
        memo.clear();
    memo.emplace(std::string(bytes), out);
    return out;
}

json pack(std::string_view bytes)
{
    if (bytes.size() < kCompressFrom)
        return { { "b", binary(bytes) } };
    return { { "n", bytes.size() }, { "z", binary(compressed(bytes)) } };
}

json pack(std::string_view bytes, std::string& stored)
{
    if (bytes.size() < kCompressFrom)
        return { { "b", binary(bytes) } };
    if (stored.empty())
        stored = compressed(bytes);
    return { { "n", bytes.size() }, { "z", binary(stored) } };
}

std::string storedForm(const json& packed)
{
    auto z = packed.find("z");
    if (z == packed.end())
        return {};
    auto& data = z->get_binary();
    return std::string(data.begin(), data.end());
}

// The bytes a packed piece says it holds, checked against what it carries.
std::uint64_t declaredSize(const json& packed)
{
    if (auto raw = packed.find("b"); raw != packed.end())
        return raw->get_binary().size();
    auto size = packed.at("n").get<std::uint64_t>();
    if (size > kMaxStoredBytes)
        throw std::runtime_error("a stored file is too large");
    if (size > packed.at("z").get_binary().size() * kMaxInflation + 64)
        throw std::runtime_error("a stored file claims more bytes than it holds");
    return size;
}

std::string unpack(const json& packed)
{
    if (auto raw = packed.find("b"); raw != packed.end()) {
        auto& data = raw->get_binary();
        return std::string(data.begin(), data.end());
    }
    auto size = packed.at("n").get<std::uint64_t>();
    auto& data = packed.at("z").get_binary();
    std::string out(size, '\0');
    uLongf outSize = static_cast<uLongf>(size);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize, data.data(),
            static_cast<uLong>(data.size()))
            != Z_OK
        || outSize != size)
        throw std::runtime_error("a stored file does not decompress");
    return out;
}

json changeJson(const FileChange& change)
{
    return { { "path", change.path }, { "eb", change.existedBefore }, { "ea", change.existedAfter },
        { "p", change.prefix }, { "s", change.suffix },
        { "mb", pack(change.middleBefore, change.storedBefore) },
        { "ma", pack(change.middleAfter, change.storedAfter) }, { "nb", change.sizeBefore },
        { "na", change.sizeAfter }, { "cb", change.crcBefore }, { "ca", change.crcAfter } };
}

std::string checkedPath(const std::string& path)
{
    if (!isHistoryPath(path))
        throw std::runtime_error("it names a file that is no settings file or preset: "
            + json(path.substr(0, 120)).dump(-1, ' ', false, json::error_handler_t::replace));
    return path;
}

// The sizes a change gives must fit each other before its pieces are unpacked: the middles are
// what is left of each side once the shared ends are taken off.
void checkSizes(const FileChange& change)
{
    auto sizeOf = [](bool existed, std::uint64_t size) {
        if (size > kMaxStoredBytes || (!existed && size != 0))
            throw std::runtime_error("a step gives a file an impossible size");
        return size;
    };
    auto before = sizeOf(change.existedBefore, change.sizeBefore);
    auto after = sizeOf(change.existedAfter, change.sizeAfter);
    if (change.prefix > std::min(before, after)
        || change.suffix > std::min(before, after) - change.prefix)
        throw std::runtime_error("a step shares more bytes than its files hold");
}

std::string unpackMiddle(const json& packed, std::uint64_t expected)
{
    if (declaredSize(packed) != expected)
        throw std::runtime_error("a step's change does not fit its file's size");
    return unpack(packed);
}

FileChange changeFromJson(const json& j)
{
    FileChange change;
    change.path = checkedPath(j.at("path").get<std::string>());
    change.existedBefore = j.at("eb").get<bool>();
    change.existedAfter = j.at("ea").get<bool>();
    change.prefix = j.at("p").get<std::uint64_t>();
    change.suffix = j.at("s").get<std::uint64_t>();
    change.sizeBefore = j.at("nb").get<std::uint64_t>();
    change.sizeAfter = j.at("na").get<std::uint64_t>();
    change.crcBefore = j.at("cb").get<std::uint32_t>();
    change.crcAfter = j.at("ca").get<std::uint32_t>();
    checkSizes(change);
    auto shared = change.prefix + change.suffix;
    change.middleBefore = unpackMiddle(j.at("mb"), change.sizeBefore - shared);
    change.middleAfter = unpackMiddle(j.at("ma"), change.sizeAfter - shared);
    change.storedBefore = storedForm(j.at("mb"));
    change.storedAfter = storedForm(j.at("ma"));
    return change;
}

const std::string& encodedStep(const HistoryStep& step)
{
    if (!step.encoded.empty())
        return step.encoded;
    json changes = json::array();
    for (auto& change : step.changes)
        changes.push_back(changeJson(change));
    json document = json::object();
    document["id"] = step.id;
    document["label"] = step.label;
    document["notice"] = step.notice;
    document["changes"] = std::move(changes);
    auto bytes = json::to_cbor(document);
    step.encoded.assign(bytes.begin(), bytes.end());
    return step.encoded;
}

json parsed(std::span<const std::uint8_t> bytes)
{
    checkCborShape(bytes, kMaxDepth, kMaxItems);
    return json::from_cbor(bytes);
}

HistoryStep decodeStep(const json& j, const std::vector<std::uint8_t>& bytes)
{
    HistoryStep step;
    step.id = j.at("id").get<std::uint64_t>();
    step.label = j.at("label").get<std::string>();
    step.notice = j.at("notice").get<std::string>();
    std::set<std::string> paths;
    for (auto& change : j.at("changes")) {
        step.changes.push_back(changeFromJson(change));
        if (!paths.insert(step.changes.back().path).second)
            throw std::runtime_error("a step names one file twice");
    }
    step.encoded.assign(bytes.begin(), bytes.end());
    return step;
}

} // namespace

std::string encodeHistory(const History::Store& store)
{
    json known = json::object();
    for (auto& [path, bytes] : store.known)
        known[path] = pack(bytes);
    json steps = json::array();
    for (auto& step : store.steps)
        steps.push_back(binary(encodedStep(step)));
    json document = json::object();
    document["position"] = store.position;
    document["nextId"] = store.nextId;
    document["known"] = std::move(known);
    document["steps"] = std::move(steps);
    auto body = json::to_cbor(document);
    std::string bodyBytes(body.begin(), body.end());
    std::uint32_t crc = historyChecksum(bodyBytes);
    std::string out(kMagic);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((crc >> shift) & 0xff));
    return out + bodyBytes;
}

History::Store decodeHistory(const std::string& bytes)
{
    if (bytes.size() < kMagic.size() + 4 || !bytes.starts_with(kMagic))
        throw std::runtime_error("it is not a history file");
    std::uint32_t crc = 0;
    for (int i = 0; i < 4; ++i)
        crc |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[kMagic.size() + i]))
            << (8 * i);
    std::string_view body = std::string_view(bytes).substr(kMagic.size() + 4);
    if (historyChecksum(body) != crc)
        throw std::runtime_error("its checksum does not match");
    try {
        auto document
            = parsed(std::span(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
        if (document.at("steps").size() > History::kMaxSteps)
            throw std::runtime_error("it holds more steps than a history keeps");
        std::vector<json> steps;
        for (auto& stored : document.at("steps"))
            steps.push_back(parsed(stored.get_binary()));
        // Every size is judged before the first piece is unpacked.
        Budget budget;
        for (auto& [path, packed] : document.at("known").items())
            budget.take(declaredSize(packed));
        for (auto& step : steps) {
            for (auto& change : step.at("changes"))
                budget.take(declaredSize(change.at("mb")) + declaredSize(change.at("ma")));
        }
        History::Store store;
        for (auto& [path, packed] : document.at("known").items())
            store.known[checkedPath(path)] = unpack(packed);
        for (std::size_t i = 0; i < steps.size(); ++i)
            store.steps.push_back(decodeStep(steps[i], document.at("steps")[i].get_binary()));
        store.position = document.at("position").get<std::size_t>();
        store.nextId = document.at("nextId").get<std::uint64_t>();
        if (store.position > store.steps.size())
            throw std::runtime_error("its position is past its last step");
        return store;
    } catch (const json::exception& error) {
        throw std::runtime_error(error.what());
    }
}

std::uint64_t decodedSize(const History::Store& store)
{
    std::uint64_t size = 0;
    for (auto& [path, bytes] : store.known)
        size += bytes.size();
    for (auto& step : store.steps)
        for (auto& change : step.changes)
            size += change.middleBefore.size() + change.middleAfter.size();
    return size;
}

} // namespace history
