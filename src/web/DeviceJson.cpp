#include "web/DeviceJson.hpp"

#include <nlohmann/json.hpp>

namespace web {

using nlohmann::json;

namespace {

const char* kindName(device::Module::Kind kind)
{
    switch (kind) {
    case device::Module::Kind::Stock:
        return "stock";
    case device::Module::Kind::Tweak:
        return "tweak";
    case device::Module::Kind::Custom:
        break;
    }
    return "custom";
}

const json& field(const json& object, const char* name, json::value_t type, const char* what)
{
    auto found = object.find(name);
    if (found == object.end() || found->type() != type)
        throw device::ProfileError(std::string(what) + " needs the field '" + name + "'");
    return *found;
}

std::string text(const json& object, const char* name, const char* what)
{
    return field(object, name, json::value_t::string, what).get<std::string>();
}

} // namespace

std::string deviceJson(const device::DeviceProfile& profile)
{
    json tweaks = json::array();
    for (const device::Tweak& tweak : device::tweaks()) {
        bool installed
            = std::find(profile.installedTweaks.begin(), profile.installedTweaks.end(), tweak.name)
            != profile.installedTweaks.end();
        json entry { { "name", tweak.name }, { "title", tweak.title }, { "installed", installed } };
        // So that the panel can offer the module of a tweak it is about to install.
        if (auto module = device::tweakModule(tweak))
            entry["module"]
                = { { "identifier", module->identifier }, { "displayName", module->displayName } };
        tweaks.push_back(std::move(entry));
    }
    json modules = json::array();
    for (const device::Module& module : profile.modules) {
        json entry { { "identifier", module.identifier }, { "displayName", module.displayName },
            { "kind", kindName(module.kind) } };
        if (module.kind == device::Module::Kind::Tweak)
            entry["tweak"] = module.tweak;
        modules.push_back(std::move(entry));
    }
    json answer { { "systemVersion", profile.systemVersion }, { "tweaks", std::move(tweaks) },
        { "modules", std::move(modules) }, { "enabled", profile.enabled } };
    // Names from bundles on the device may hold any bytes: never fail over them.
    return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

device::DeviceProfile parseDeviceJson(std::string_view body)
{
    auto root = json::parse(body, nullptr, false);
    if (root.is_discarded() || !root.is_object())
        throw device::ProfileError("the device must be a JSON object");
    device::DeviceProfile profile;
    profile.systemVersion = text(root, "systemVersion", "the device");
    for (const json& tweak : field(root, "tweaks", json::value_t::array, "the device")) {
        if (!tweak.is_object())
            throw device::ProfileError("each tweak must be an object");
        auto installed = tweak.find("installed");
        if (installed == tweak.end() || !installed->is_boolean())
            throw device::ProfileError("a tweak needs the field 'installed' (true or false)");
        auto name = text(tweak, "name", "a tweak");
        if (installed->get<bool>())
            profile.installedTweaks.push_back(name);
    }
    for (const json& module : field(root, "modules", json::value_t::array, "the device")) {
        if (!module.is_object())
            throw device::ProfileError("each module must be an object");
        auto kind = text(module, "kind", "a module");
        if (kind != "custom" && kind != "stock" && kind != "tweak")
            throw device::ProfileError("a module's kind is stock, tweak or custom");
        if (kind != "custom")
            continue;
        profile.modules.push_back({ text(module, "identifier", "a module"),
            text(module, "displayName", "a module"), device::Module::Kind::Custom, {} });
    }
    for (const json& identifier : field(root, "enabled", json::value_t::array, "the device")) {
        if (!identifier.is_string())
            throw device::ProfileError("the enabled modules are a list of identifiers");
        profile.enabled.push_back(identifier.get<std::string>());
    }
    return profile;
}

} // namespace web
