#pragma once

#include "foundation/NSObject.hpp"
#include "foundation/Value.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// A bundle directory on the device: its info dictionaries and, for framework bundles, the code
// that loading brings in. Paths and URLs are device paths.
class NSBundle : public NSObject {
public:
    static const ClassDescriptor& classObject();
    const ClassDescriptor& isa() const override { return classObject(); }

    explicit NSBundle(std::string path);

    // A bundle object for the path, whether or not anything is there; `load` finds out.
    static std::shared_ptr<NSBundle> bundleWithPath(std::string_view path);
    // The bundle at a location, or nullptr when no directory is there.
    static std::shared_ptr<NSBundle> bundleWithURL(std::string_view url);

    // True when the bundle's directory exists. Loading a framework bundle makes the classes of
    // its code known to NSClassFromString (once per process; later loads change nothing).
    bool load();
    bool isLoaded() const { return m_loaded; }

    const std::string& bundlePath() const { return m_path; }
    // Info.plist; empty when missing or unreadable.
    const Dictionary& infoDictionary();
    // en.lproj/InfoPlist.strings (XML or binary form); the info dictionary when there is none.
    const Dictionary& localizedInfoDictionary();

private:
    std::string m_path;
    bool m_loaded { false };
    std::optional<Dictionary> m_infoDictionary;
    std::optional<Dictionary> m_localizedInfoDictionary;
};

} // namespace fw
