// The theming component's side of the files, as fast as it can go: reads and parses the
// settings file and the persistent file in a loop until a stop file appears, then prints one
// JSON line: reads, missing files, failed parses and how often the contents changed.
//
//   qln_settings_reader --root DEVICE --stop FILE
#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

namespace {

struct Watched {
    std::string_view path;
    std::size_t lastHash { 0 };
};

struct Counts {
    long reads { 0 };
    long missing { 0 };
    long failed { 0 };
    long changes { 0 };
    std::string firstProblem;
};

void readOnce(Watched& file, Counts& counts)
{
    ++counts.reads;
    auto bytes = fw::NSFileManager::defaultManager().contentsAtPath(file.path);
    if (!bytes) {
        ++counts.missing;
        if (counts.firstProblem.empty())
            counts.firstProblem = std::string(file.path) + " was missing";
        return;
    }
    auto value = fw::parsePropertyList(*bytes);
    if (!value || !value->isDictionary()) {
        ++counts.failed;
        if (counts.firstProblem.empty())
            counts.firstProblem
                = std::string(file.path) + " did not parse: " + bytes->substr(0, 200);
        return;
    }
    auto hash = std::hash<std::string> {}(*bytes);
    if (hash != file.lastHash)
        ++counts.changes;
    file.lastHash = hash;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path root, stop;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        (flag == "--root" ? root : stop) = argv[i + 1];
    }
    if (root.empty() || stop.empty()) {
        std::fprintf(stderr, "usage: qln_settings_reader --root DEVICE --stop FILE\n");
        return 2;
    }
    fw::Device::setRoot(root);
    std::array<Watched, 2> files { Watched { qln::settingsFile }, Watched { qln::persistentFile } };
    Counts counts;
    for (long round = 0;; ++round) {
        for (auto& file : files)
            readOnce(file, counts);
        if (round % 64 == 0 && std::filesystem::exists(stop))
            break;
    }
    nlohmann::json figures { { "reads", counts.reads }, { "missing", counts.missing },
        { "failed", counts.failed }, { "changes", counts.changes },
        { "firstProblem", counts.firstProblem } };
    std::cout << figures.dump() << std::endl;
    return 0;
}
