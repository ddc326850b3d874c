#include "store/SettingsStore.hpp"

#include "foundation/Notifications.hpp"
#include "foundation/PropertyList.hpp"
#include "store/Settings.hpp"

namespace qln {

std::string preferencesPathForDomain(const std::string* domain)
{
    // An absent domain formats as "(null)", which names no settings file.
    std::string path(preferencesPathFormatPrefix);
    path += domain ? *domain : std::string("(null)");
    path += ".plist";
    return path;
}

std::optional<fw::Dictionary> readSettings(std::string_view path)
{
    return fw::dictionaryWithContentsOfFile(path.empty() ? settingsFile : path);
}

std::optional<fw::Value> readSetting(std::string_view key, std::string_view path)
{
    return fw::valueForKeyInFile(path.empty() ? settingsFile : path, key);
}

void writeSettings(const fw::Dictionary& settings, std::string_view path)
{
    fw::writeToFile(settings, path.empty() ? settingsFile : path);
}

void markUnsaved()
{
    auto persistent = fw::dictionaryWithContentsOfFile(persistentFile);
    if (!persistent)
        return;
    (*persistent)[std::string(unsavedKey)] = fw::Value(true);
    fw::writeToFile(*persistent, persistentFile);
}

void postUpdateNotification()
{
    fw::DarwinNotifyCenter::center().postNotification(updateNotification);
}

} // namespace qln
