#include "device/DeviceSetup.hpp"

#include "device/DeviceFiles.hpp"
#include "device/DeviceProfile.hpp"
#include "foundation/PropertyList.hpp"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace device {

namespace fs = std::filesystem;

namespace {

// Device paths joined to the root (without their leading "/").
constexpr std::string_view kBundleDir
    = contract::bundleDirectory.substr(1, contract::bundleDirectory.size() - 2);
constexpr std::string_view kPreferencesDir = "var/mobile/Library/Preferences";

// A fresh layout: see files::Care.
void writeWhole(const fs::path& path, std::string_view bytes)
{
    files::writeWhole(path, bytes, files::Care::Quick);
}

void writePlist(const fs::path& path, const fw::Dictionary& dictionary)
{
    files::writePlist(path, dictionary, files::Care::Quick);
}

void copyTree(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

bool holdsData(const fs::path& dir)
{
    std::error_code error;
    return fs::is_directory(dir / "Quillane.bundle", error)
        && fs::is_directory(dir / "device", error) && fs::is_directory(dir / "web", error);
}

void layOutBundle(const fs::path& root)
{
    auto bundle = dataDir() / "Quillane.bundle";
    if (!fs::is_directory(bundle))
        throw std::runtime_error("bundle resources not found at " + bundle.string());
    copyTree(bundle, root / kBundleDir);
}

void layOutPreferences(const fs::path& root)
{
    fs::create_directories(root / kPreferencesDir);
    fs::create_directories(root / "var/mobile/Library/Logs");
    // "/User" is the mobile user's home: a relative link, so nothing escapes the root.
    fs::create_directory_symlink("var/mobile", root / "User");
    // The package installer's part: the settings start as the shipped defaults, the persistent
    // file as an empty dictionary; no configured marker, so the first opening greets the user.
    fs::copy_file(root / kBundleDir / contract::defaultsFileName,
        root / contract::settingsFile.substr(1), fs::copy_options::overwrite_existing);
    writePlist(root / contract::persistentFile.substr(1), {});
}

void layOutSystem(const fs::path& root, const DeviceOptions& options)
{
    writePlist(root / paths::kSystemVersion,
        { { "ProductName", fw::Value("iPhone OS") },
            { "ProductVersion", fw::Value(options.systemVersion) } });
    if (options.controlCenterServices)
        fs::create_directories(root / contract::moduleServicesFramework.substr(1));
    auto modules = dataDir() / "device" / "modules";
    copyTree(modules / "stock", root / paths::kStockModules);
    fs::create_directories(root / paths::kThirdPartyModules);
    for (const Tweak& tweak : tweaks()) {
        if (options.*tweak.option)
            installTweak(root, tweak, false);
    }
}

void layOutEnabledModules(const fs::path& root, const DeviceOptions& options)
{
    auto target = root / paths::kModuleConfiguration;
    if (!options.enabledModules) {
        fs::create_directories(target.parent_path());
        fs::copy_file(dataDir() / "device" / "enabled-modules.plist", target,
            fs::copy_options::overwrite_existing);
        return;
    }
    fw::Array identifiers;
    for (auto& identifier : *options.enabledModules)
        identifiers.emplace_back(identifier);
    writePlist(target,
        { { std::string(contract::moduleIdentifiersKey), fw::Value(std::move(identifiers)) } });
}

void layOutPackageDatabase(const fs::path& root)
{
    auto admin = root / "var/lib/dpkg";
    fs::create_directories(admin / "info");
    fs::create_directories(admin / "updates");
    writeWhole(admin / "status",
        std::string("Package: com.tarrowvine.quillane\n"
                    "Status: install ok installed\n"
                    "Priority: optional\n"
                    "Section: Tweaks\n"
                    "Maintainer: Tarrowvine <support@tarrowvine.com>\n"
                    "Architecture: iphoneos-arm\n"
                    "Version: ")
            + packageVersion() + "\nDescription: Recolour Control Center\n\n");
    writeWhole(admin / "available", "");
    writeWhole(admin / "info" / "com.tarrowvine.quillane.list",
        "/.\n/Library\n/Library/PreferenceBundles\n/" + std::string(kBundleDir) + "\n");
}

void layOutPrograms(const fs::path& root, const DeviceOptions& options)
{
    auto sbreload = root / "usr/bin/sbreload";
    fs::create_directories(sbreload.parent_path());
    fs::copy_file(
        dataDir() / "device" / "usr-bin-sbreload", sbreload, fs::copy_options::overwrite_existing);
    fs::permissions(sbreload,
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(root / "bin");
    // The version lookup needs a shell; without the link the device has none.
    if (options.shell)
        fs::create_symlink("/bin/sh", root / "bin/sh");
}

} // namespace

const char* packageVersion()
{
    return QLN_VERSION;
}

fs::path dataDir()
{
    const char* chosen = std::getenv("QUILLANE_DATA_DIR");
    fs::path dir;
    std::string why;
    if (chosen && *chosen) {
        dir = chosen;
        why = " (QUILLANE_DATA_DIR)";
    } else {
        std::error_code error;
        fs::path program = fs::read_symlink("/proc/self/exe", error);
        if (error)
            throw std::runtime_error("cannot find the program's own folder to look for its data: "
                + error.message() + "; set QUILLANE_DATA_DIR to the folder that holds it");
        dir = (program.parent_path() / ".." / "share" / "quillane").lexically_normal();
        why = " (beside the program)";
    }
    if (!holdsData(dir))
        throw std::runtime_error("the program's data (Quillane.bundle, device, web) is not in "
            + dir.string() + why + "; set QUILLANE_DATA_DIR to the folder that holds it");
    return dir;
}

bool isDevice(const fs::path& root)
{
    std::error_code error;
    return fs::exists(root / paths::kSystemVersion, error) && fs::exists(root / kBundleDir, error);
}

void initDevice(const fs::path& root, const DeviceOptions& options, bool replace)
{
    std::error_code error;
    if (fs::exists(root, error) && !fs::is_directory(root, error))
        throw std::runtime_error(root.string() + " exists and is not a directory");
    if (fs::exists(root, error) && !fs::is_empty(root, error)) {
        if (!isDevice(root))
            throw std::runtime_error(root.string()
                + " is not empty and holds no device; choose an empty "
                  "directory");
        if (!replace)
            throw std::runtime_error(
                root.string() + " already holds a device; pass --force to lay it out anew");
        // Only a device is ever removed, never a directory of the user's.
        fs::remove_all(root);
    }
    try {
        bool made = !fs::exists(root, error);
        fs::create_directories(root);
        // Whatever the umask: a folder others can write would be refused as a device folder.
        if (made)
            fs::permissions(root,
                fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                    | fs::perms::others_read | fs::perms::others_exec);
        layOutBundle(root);
        layOutPreferences(root);
        layOutSystem(root, options);
        layOutEnabledModules(root, options);
        layOutPackageDatabase(root);
        layOutPrograms(root, options);
    } catch (const fs::filesystem_error& failure) {
        throw std::runtime_error(std::string("cannot lay out the device: ") + failure.what());
    }
}

} // namespace device
