#include "cli/ThemeCommand.hpp"

#include "foundation/Device.hpp"
#include "host/AppearanceSwitch.hpp"
#include "host/EventLoop.hpp"
#include "theming/PaletteTable.hpp"
#include "theming/ThemingComponent.hpp"

#include <cerrno>
#include <iostream>
#include <string>
#include <unistd.h>

namespace cli {

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void printPalette(const theming::ThemingComponent& component)
{
    std::cout << theming::renderTable(component.palette()) << std::endl;
}

void switchAppearance(theming::ThemingComponent& component, theming::Appearance appearance)
{
    if (!host::switchAppearance(component, appearance))
        std::cerr << "quillane theme: the appearance is already "
                  << theming::appearanceName(appearance) << "\n";
}

// Handles one command line; false for "quit".
bool handleCommand(theming::ThemingComponent& component, std::string_view line)
{
    line = trimmed(line);
    if (line.empty())
        return true;
    if (line == "quit")
        return false;
    if (line == "dark" || line == "light") {
        switchAppearance(
            component, line == "dark" ? theming::Appearance::Dark : theming::Appearance::Light);
        return true;
    }
    if (line == "show") {
        printPalette(component);
        return true;
    }
    if (line.starts_with("toggle ")) {
        std::string_view name = trimmed(line.substr(7));
        if (!component.toggle(name))
            std::cerr << "quillane theme: no connectivity toggle or module is named \"" << name
                      << "\"\n";
        return true;
    }
    std::cerr << "quillane theme: unknown command \"" << line
              << "\"; say dark, light, toggle NAME, show or quit\n";
    return true;
}

} // namespace

int runTheme(const std::filesystem::path& root)
{
    fw::Device::setRoot(root);
    host::EventLoop loop;
    theming::ThemingComponent component;
    component.onChange = [&component] { printPalette(component); };
    component.start();
    printPalette(component);

    std::string pending;
    loop.watch(STDIN_FILENO, [&] {
        char buffer[4096];
        auto count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            return;
        if (count <= 0) {
            handleCommand(component, pending);
            loop.stop();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!handleCommand(component, line)) {
                loop.stop();
                return;
            }
        }
    });
    // SpringBoard restarts show only in the sbreload log, so look at it on every turn.
    loop.afterEachTurn([&component](bool) { component.checkForRestart(); });
    loop.run();
    return 0;
}

} // namespace cli
