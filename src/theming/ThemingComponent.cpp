#include "theming/ThemingComponent.hpp"

#include "foundation/Device.hpp"
#include "foundation/NSFileManager.hpp"
#include "foundation/Notifications.hpp"
#include "foundation/PropertyList.hpp"
#include "theming/ConnectivityToggles.hpp"
#include "theming/ThemingPaths.hpp"

#include <algorithm>

namespace theming {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

void flip(OnStates& states, std::string_view name, bool initially)
{
    auto [entry, added] = states.try_emplace(std::string(name), initially);
    entry->second = !entry->second;
}

} // namespace

ThemingComponent::~ThemingComponent()
{
    if (m_observer)
        fw::DarwinNotifyCenter::center().removeObserver(m_observer);
}

void ThemingComponent::start()
{
    m_logSize = logSize();
    restartSpringBoard();
    if (m_observer)
        return;
    m_observer
        = fw::DarwinNotifyCenter::center().addObserver(std::string(updateNotification), [this] {
              readFiles();
              changed();
          });
}

bool ThemingComponent::checkForRestart()
{
    std::uintmax_t size = logSize();
    bool ran = size > m_logSize;
    // A log that shrank was replaced: measure growth from its new size.
    m_logSize = size;
    if (!ran)
        return false;
    restartSpringBoard();
    changed();
    return true;
}

void ThemingComponent::deviceChanged()
{
    ++m_deviceRevision;
    restartSpringBoard();
    changed();
}

Palette ThemingComponent::palette() const
{
    Palette palette = resolvePalette({ m_snapshot, m_order, m_toggleStates, m_moduleStates,
        m_appearance, m_pending ? &*m_pending : nullptr, m_wallpaper ? &*m_wallpaper : nullptr });
    palette.appearanceNote = m_appearanceNote;
    palette.wallpaperRevision = m_wallpaperRevision;
    palette.deviceRevision = m_deviceRevision;
    return palette;
}

Palette ThemingComponent::paletteWith(const fw::Dictionary& settings) const
{
    DeviceSnapshot snapshot = m_snapshot;
    snapshot.settings = settings;
    return resolvePalette({ snapshot, m_order, m_toggleStates, m_moduleStates, m_appearance,
        nullptr, m_wallpaper ? &*m_wallpaper : nullptr });
}

std::optional<PresetApplication> ThemingComponent::setAppearance(Appearance appearance)
{
    if (appearance == m_appearance)
        return std::nullopt;
    m_appearance = appearance;
    PresetApplication application = applyAppearancePreset(appearance);
    m_appearanceNote = describe(appearance, application);
    m_noteSettings = fw::dictionaryWithContentsOfFile(settingsFile).value_or(fw::Dictionary {});
    // An applied preset announces itself with the update notification, whose delivery re-reads
    // the files and reports the change once, with the new colours.
    if (application.outcome != PresetApplication::Outcome::Applied)
        changed();
    return application;
}

bool ThemingComponent::toggle(std::string_view name)
{
    for (const ConnectivityToggle& toggle : connectivityToggles) {
        if (sameName(name, toggle.name) || sameName(name, toggle.title)) {
            flip(m_toggleStates, toggle.name, toggle.initiallyEnabled);
            changed();
            return true;
        }
    }
    for (const EnabledModule& module : m_snapshot.modules) {
        if (sameName(name, module.identifier) || sameName(name, module.name)) {
            flip(m_moduleStates, module.identifier, false);
            changed();
            return true;
        }
    }
    return false;
}

void ThemingComponent::setPending(std::optional<PendingColour> pending)
{
    if (pending == m_pending)
        return;
    m_pending = std::move(pending);
    changed();
}

void ThemingComponent::setWallpaper(std::optional<Rgba> mean)
{
    m_wallpaper = mean;
    m_wallpaperRevision = mean ? ++m_revisionsGiven : 0;
    changed();
}

void ThemingComponent::readFiles()
{
    auto& files = fw::NSFileManager::defaultManager();
    m_snapshot.tweaks = { files.fileExistsAtPath(prysmFile),
        files.fileExistsAtPath(powerModuleBundle), files.fileExistsAtPath(bcxiWeatherBundle),
        files.fileExistsAtPath(ccRingerExecutable) };
    m_snapshot.moduleServices = files.fileExistsAtPath(moduleServicesFramework);
    m_snapshot.settings
        = fw::dictionaryWithContentsOfFile(settingsFile).value_or(fw::Dictionary {});
    m_snapshot.layout = readLayoutColourRows();
    m_snapshot.modules = readEnabledModules();
    // An undo, another preset, any change since the switch: its note no longer tells the picture.
    if (m_appearanceNote && m_snapshot.settings != m_noteSettings)
        m_appearanceNote.reset();
}

void ThemingComponent::restartSpringBoard()
{
    readFiles();
    m_order = connectivityOrder(m_snapshot.settings);
}

void ThemingComponent::changed()
{
    if (onChange)
        onChange();
}

std::uintmax_t ThemingComponent::logSize() const
{
    // One short line per restart; a missing or unreadable log counts as empty.
    auto log = fw::NSFileManager::defaultManager().contentsAtPath(sbreloadLog);
    return log ? log->size() : 0;
}

} // namespace theming
