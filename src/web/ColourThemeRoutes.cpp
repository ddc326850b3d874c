#include "imagetheme/ColourEntry.hpp"
#include "imagetheme/ColourTheme.hpp"
#include "imagetheme/ImagePreset.hpp"
#include "web/JsonAnswer.hpp"
#include "web/RecordedChange.hpp"
#include "web/Routes.hpp"

#include <nlohmann/json.hpp>

namespace web {

namespace {

using nlohmann::json;

// What the browser asks for, each field read and judged before anything is written.
struct ColourThemeRequest {
    theming::Rgba seed;
    imagetheme::Harmony harmony { imagetheme::Harmony::Monochrome };
    std::string name;
};

// The request, or the answer that refuses it.
std::variant<ColourThemeRequest, Response> readRequest(const std::string& body)
{
    auto fields = json::parse(body, nullptr, false);
    if (!fields.is_object() || !fields.contains("colour") || !fields["colour"].is_string())
        return errorAnswer(400,
            "say {\"colour\": TEXT, \"harmony\": \"monochrome\", \"analogous\" or "
            "\"complementary\", \"name\": TEXT (optional)}");
    auto colour = fields["colour"].get<std::string>();
    auto read = imagetheme::readColourEntry(colour);
    if (auto* problem = std::get_if<imagetheme::ColourEntryProblem>(&read))
        return errorAnswer(400, problem->message);

    auto harmonyField = fields.value("harmony", json());
    auto harmony = harmonyField.is_string()
        ? imagetheme::harmonyNamed(harmonyField.get<std::string>())
        : std::nullopt;
    if (!harmony)
        return errorAnswer(
            400, "the harmony is \"monochrome\", \"analogous\" or \"complementary\"");

    auto name = fields.value("name", json(colour));
    if (!name.is_string())
        return errorAnswer(400, "the name of the preset is text");
    return ColourThemeRequest { std::get<theming::Rgba>(read), *harmony, name.get<std::string>() };
}

// A new preset, written on the main queue, where the presets page reads the folder; one step of
// the history, so Undo takes it away again.
Response themeFromColour(const std::string& body)
{
    auto read = readRequest(body);
    if (auto* refusal = std::get_if<Response>(&read))
        return std::move(*refusal);
    const auto& request = std::get<ColourThemeRequest>(read);
    try {
        std::string preset;
        recordAndAnnounce(
            [&] {
                preset = imagetheme::createPresetFromColour(
                    request.seed, request.harmony, request.name);
            },
            [&] { return "Theme from Colour \u201c" + preset + "\u201d"; });
        return fieldAnswer(200, "name", preset);
    } catch (const std::exception& error) {
        return errorAnswer(400, error.what());
    }
}

} // namespace

void addColourThemeRoutes(Router& router, RouteContext&)
{
    router.add("POST", "/api/theme-from-colour", [](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply), [request] { return themeFromColour(request->body); });
    });
}

} // namespace web
