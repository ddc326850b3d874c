#include "cli/Cli.hpp"

#include "cli/OpenCommand.hpp"
#include "cli/ThemeCommand.hpp"
#include "cli/ThemeFromColourCommand.hpp"
#include "cli/ThemeFromImageCommand.hpp"
#include "device/DeviceFolderCheck.hpp"
#include "device/DeviceProfile.hpp"
#include "device/DeviceSetup.hpp"
#include "host/ScriptRunner.hpp"
#include "web/UserState.hpp"
#include "web/WebServer.hpp"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace cli {

namespace fs = std::filesystem;

namespace {

// The default device of `serve`, under the user's state directory.
fs::path defaultDeviceRoot()
{
    return web::userStateDir() / "device";
}

void requireDevice(const fs::path& root)
{
    device::checkDeviceFolder(root);
    if (!device::isDevice(root))
        throw std::runtime_error(root.string()
            + " holds no device; lay one out with `quillane device init --root " + root.string()
            + "`");
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) {
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

struct DeviceInitArgs {
    std::string root;
    device::DeviceOptions options;
    std::string modules;
    // An empty --modules is an empty list, not the shipped selection.
    CLI::Option* modulesOption { nullptr };
    bool allTweaks { false };
    bool noServices { false };
    bool noShell { false };
    bool force { false };
};

void addDeviceInit(CLI::App& device, DeviceInitArgs& args)
{
    auto* init
        = device.add_subcommand("init", "Lay out a simulated device as a fresh installation");
    init->add_option("--root", args.root, "Directory of the device")->required();
    init->add_option(
            "--system-version", args.options.systemVersion, "iOS version, e.g. 12.4 or 14.4")
        ->check([](const std::string& text) {
            return device::systemVersionProblem(text).value_or(std::string());
        });
    init->add_flag("--prysm", args.options.prysm, "Prysm is installed");
    init->add_flag("--power-module", args.options.powerModule, "PowerModule is installed");
    init->add_flag(
        "--bcix-weather", args.options.bcixWeather, "BetterCCXI's weather module is installed");
    init->add_flag("--cc-ringer", args.options.ccRinger, "CCRingerModule is installed");
    init->add_flag("--noctis", args.options.noctis, "NoctisToggle is installed");
    init->add_flag("--all-tweaks", args.allTweaks, "every supported tweak is installed");
    args.modulesOption = init->add_option("--modules", args.modules,
        "enabled Control Center modules in order, comma-separated identifiers ('' for none)");
    init->add_flag("--no-ccservices", args.noServices, "the device lacks ControlCenterServices");
    init->add_flag("--no-shell", args.noShell, "the device has no /bin/sh");
    init->add_flag("--force", args.force, "replace a device that is already there");
}

void runDeviceInit(DeviceInitArgs& args)
{
    auto& options = args.options;
    if (args.allTweaks)
        options.prysm = options.powerModule = options.bcixWeather = options.ccRinger
            = options.noctis = true;
    if (args.modulesOption && args.modulesOption->count() > 0)
        options.enabledModules = splitList(args.modules);
    options.controlCenterServices = !args.noServices;
    options.shell = !args.noShell;
    device::checkDeviceFolder(args.root);
    device::initDevice(args.root, options, args.force);
    std::cout << "Device laid out at " << args.root << "\n";
}

} // namespace

int runCli(int argc, char** argv)
{
    CLI::App app { "Quillane settings: the settings bundle of Quillane on a simulated device" };
    app.require_subcommand(1);
    app.set_version_flag(
        "--version", std::string(device::packageVersion()), "Print the version and exit");

    std::string serveRoot;
    int port = 0;
    auto* serve = app.add_subcommand("serve", "Serve the settings in a browser (the main job)");
    serve->add_option("--root", serveRoot, "Device directory (default: the user's default device)");
    serve->add_option("--port", port, "Port on 127.0.0.1 (default: a free one)")
        ->check(CLI::Range(0, 65535));
    bool phone = false;
    serve->add_flag("--phone", phone,
        "Share the picture with a phone on the local network from the start, and print its "
        "address");

    bool printOnly = false;
    auto* open = app.add_subcommand(
        "open", "Open the settings in the default browser, starting the server if needed");
    open->add_flag("--print", printOnly, "Print the address instead of opening a browser");

    std::string scriptRoot;
    auto* script
        = app.add_subcommand("script", "Read events as JSON lines, answer screens as JSON lines");
    script->add_option("--root", scriptRoot, "Device directory")->required();

    std::string themeRoot;
    auto* theme
        = app.add_subcommand("theme", "Run the theming component: print the palette it applies");
    theme->add_option("--root", themeRoot, "Device directory")->required();

    std::string imageRoot, imagePath, imageName;
    auto* fromImage = app.add_subcommand(
        "theme-from-image", "Make a new preset from the colours of an image, print its name");
    fromImage->add_option("--root", imageRoot, "Device directory")->required();
    fromImage->add_option("IMAGE", imagePath, "JPEG, PNG, WebP or HEIC image")->required();
    fromImage->add_option(
        "--name", imageName, "Name of the preset (default: the image's file name)");

    std::string colourRoot, colourText, colourName, harmony = "monochrome";
    auto* fromColour = app.add_subcommand(
        "theme-from-colour", "Make a new preset from one colour, print its name");
    fromColour->add_option("--root", colourRoot, "Device directory")->required();
    fromColour
        ->add_option("COLOUR", colourText,
            "A colour as the picker's field reads it: #RRGGBB, a CSS name, rgb(), hsl()…")
        ->required();
    fromColour->add_option("--harmony", harmony,
        "monochrome (default), analogous or complementary: the hues beside the colour's own");
    fromColour->add_option("--name", colourName, "Name of the preset (default: the colour)");

    DeviceInitArgs initArgs;
    auto* device = app.add_subcommand("device", "Manage simulated devices");
    device->require_subcommand(1);
    addDeviceInit(*device, initArgs);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and the version are answers; anything else is a wrong command line.
        return app.exit(error) == 0 ? 0 : 2;
    }

    try {
        if (*serve) {
            fs::path root = serveRoot.empty() ? defaultDeviceRoot() : fs::path(serveRoot);
            device::checkDeviceFolder(root);
            // An empty or new directory gets a device; one holding anything else is refused.
            if (!device::isDevice(root)) {
                device::initDevice(root, {});
                std::cerr << "quillane: created " << (serveRoot.empty() ? "the default " : "a ")
                          << "device at " << root << "\n";
            }
            requireDevice(root);
            return web::runServer(root, port, phone);
        }
        if (*open)
            return runOpen(printOnly);
        if (*script) {
            requireDevice(scriptRoot);
            return host::runScript(scriptRoot);
        }
        if (*theme) {
            requireDevice(themeRoot);
            return runTheme(themeRoot);
        }
        if (*fromImage) {
            requireDevice(imageRoot);
            std::optional<std::string> name;
            if (fromImage->count("--name"))
                name = imageName;
            return runThemeFromImage(imageRoot, imagePath, name);
        }
        if (*fromColour) {
            requireDevice(colourRoot);
            std::optional<std::string> name;
            if (fromColour->count("--name"))
                name = colourName;
            return runThemeFromColour(colourRoot, colourText, harmony, name);
        }
        if (*device) {
            runDeviceInit(initArgs);
            return 0;
        }
    } catch (const std::exception& error) {
        std::cerr << "quillane: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace cli
