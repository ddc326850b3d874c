#include "web/PreviewJson.hpp"

#include "host/AppearanceSwitch.hpp"
#include "host/PresetFiles.hpp"
#include "host/Session.hpp"
#include "theming/ColourValue.hpp"
#include "theming/PaletteValue.hpp"
#include "theming/ThemingComponent.hpp"

#include <nlohmann/json.hpp>

namespace web {

namespace {

nlohmann::json toJson(const fw::Value& value)
{
    struct Visitor {
        nlohmann::json operator()(bool b) const { return b; }
        nlohmann::json operator()(std::int64_t i) const { return i; }
        nlohmann::json operator()(double d) const { return d; }
        nlohmann::json operator()(const std::string& s) const { return s; }
        nlohmann::json operator()(const fw::Data& d) const { return d.size(); }
        nlohmann::json operator()(const fw::Date& d) const { return d.secondsSinceReferenceDate; }
        nlohmann::json operator()(const fw::Array& array) const
        {
            auto out = nlohmann::json::array();
            for (auto& item : array)
                out.push_back(toJson(item));
            return out;
        }
        nlohmann::json operator()(const fw::Dictionary& dictionary) const
        {
            auto out = nlohmann::json::object();
            for (auto& [key, item] : dictionary)
                out[key] = toJson(item);
            return out;
        }
    };
    return std::visit(Visitor {}, value.storage());
}

} // namespace

std::string previewJson(const theming::Palette& palette)
{
    return toJson(theming::paletteValue(palette))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

PresetPreview presetPreview(const theming::ThemingComponent& theming, std::string_view name)
{
    // The name comes from the address as it was typed: any bytes, not always UTF-8.
    auto error = [](int status, const std::string& message) {
        return PresetPreview { status,
            nlohmann::json { { "error", message } }.dump(
                -1, ' ', false, nlohmann::json::error_handler_t::replace) };
    };
    try {
        auto settings = host::presetDictionary(name);
        if (!settings)
            return error(404, "there is no preset named \"" + std::string(name) + "\"");
        return { 200, previewJson(theming.paletteWith(*settings)) };
    } catch (const host::PresetFileRefused& refusal) {
        return error(400, refusal.what());
    }
}

std::string applyPreviewAction(theming::ThemingComponent& theming, const std::string& body)
{
    auto action = nlohmann::json::parse(body, nullptr, false);
    if (action.is_discarded() || !action.is_object())
        return "a preview action must be a JSON object";
    if (auto appearance = action.find("appearance"); appearance != action.end()) {
        if (*appearance == "dark")
            host::switchAppearance(theming, theming::Appearance::Dark);
        else if (*appearance == "light")
            host::switchAppearance(theming, theming::Appearance::Light);
        else
            return "'appearance' must be \"dark\" or \"light\"";
        return {};
    }
    if (auto toggle = action.find("toggle"); toggle != action.end()) {
        if (!toggle->is_string())
            return "'toggle' must be the name of a toggle or module";
        if (!theming.toggle(toggle->get<std::string>()))
            return "nothing in Control Center is called '" + toggle->get<std::string>() + "'";
        return {};
    }
    return "a preview action names 'appearance' or 'toggle'";
}

std::string pickJson(const theming::ThemingComponent& theming)
{
    const auto& pending = theming.pending();
    if (!pending)
        return R"({"keys":[]})";
    const auto& c = pending->colour;
    nlohmann::json pick { { "keys", pending->keys },
        { "colour",
            { { "rgba", { c.red, c.green, c.blue, c.alpha } },
                { "value", theming::displayColour(c) } } } };
    return pick.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void showPendingPick(const host::Session& session, theming::ThemingComponent& theming)
{
    auto pick = session.pendingPick();
    auto colour = pick ? theming::parseColourValue(pick->value) : std::nullopt;
    if (!colour) {
        theming.setPending(std::nullopt);
        return;
    }
    theming.setPending(theming::PendingColour { std::move(pick->keys), *colour });
}

} // namespace web
