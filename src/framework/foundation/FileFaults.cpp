#include "foundation/FileFaults.hpp"

#include <mutex>
#include <vector>

namespace fw {

namespace {

struct ArmedFault {
    FileOp op;
    int remaining; // < 0: until cleared
    std::string pathPart;
};

struct FaultTable {
    std::mutex mutex;
    std::vector<ArmedFault> faults;
};

// Never destroyed: a background job may still touch a file while the process exits.
FaultTable& table()
{
    static auto* instance = new FaultTable;
    return *instance;
}

bool matches(const ArmedFault& fault, FileOp op, std::string_view first, std::string_view second)
{
    if (fault.op != op || fault.remaining == 0)
        return false;
    if (fault.pathPart.empty())
        return true;
    return first.find(fault.pathPart) != std::string_view::npos
        || (!second.empty() && second.find(fault.pathPart) != std::string_view::npos);
}

} // namespace

std::string_view fileOpName(FileOp op)
{
    switch (op) {
    case FileOp::Read:
        return "read";
    case FileOp::Write:
        return "write";
    case FileOp::Flush:
        return "flush";
    case FileOp::Rename:
        return "rename";
    case FileOp::Copy:
        return "copy";
    case FileOp::Remove:
        return "remove";
    case FileOp::CreateDirectory:
        return "createDirectory";
    case FileOp::List:
        return "list";
    case FileOp::CreateFile:
        return "createFile";
    }
    return "unknown";
}

void FileFaults::arm(FileOp op, int count, std::string pathPart)
{
    auto& t = table();
    std::lock_guard lock(t.mutex);
    t.faults.push_back({ op, count, std::move(pathPart) });
}

void FileFaults::clear()
{
    auto& t = table();
    std::lock_guard lock(t.mutex);
    t.faults.clear();
}

bool FileFaults::shouldFail(FileOp op, std::string_view devicePath)
{
    return shouldFail(op, devicePath, {});
}

bool FileFaults::shouldFail(FileOp op, std::string_view devicePath, std::string_view otherPath)
{
    auto& t = table();
    std::lock_guard lock(t.mutex);
    for (auto& fault : t.faults) {
        if (!matches(fault, op, devicePath, otherPath))
            continue;
        if (fault.remaining > 0)
            --fault.remaining;
        return true;
    }
    return false;
}

} // namespace fw
