#include "foundation/FileIO.hpp"
#include "presets/PresetExchange.hpp"
#include "store/Settings.hpp"
#include "web/JsonAnswer.hpp"
#include "web/PhoneSharing.hpp"
#include "web/Routes.hpp"

#include <nlohmann/json.hpp>

namespace web {

namespace {

using nlohmann::json;

Response sharingAnswer(const PhoneSharing::State& state)
{
    json answer { { "sharing", state.on }, { "address", state.address },
        { "addresses", state.addresses }, { "qrCode", state.qrCode },
        { "problem", state.problem.empty() ? json(nullptr) : json(state.problem) } };
    return jsonAnswer(200, answer.dump(-1, ' ', false, json::error_handler_t::replace));
}

Response changeSharing(PhoneSharing& sharing, const std::string& body)
{
    auto action = json::parse(body, nullptr, false);
    if (!action.is_object() || !action.contains("share") || !action["share"].is_boolean())
        return errorAnswer(400, "say {\"share\": true} or {\"share\": false}");
    if (!action["share"].get<bool>()) {
        sharing.stop();
        return sharingAnswer(sharing.state());
    }
    return sharingAnswer(sharing.start());
}

// A theme as the Presets page's Export makes it: a preset's, or the settings in use as the
// preset saved from them would be.
Response exchangeString(const std::optional<std::string>& preset)
{
    if (preset
        && (preset->empty() || preset->find_first_of(std::string("/\0", 2)) != std::string::npos))
        return errorAnswer(400, "a preset name is not empty and holds no \"/\" or NUL");
    auto exported = preset ? qln::PresetExchange::presetText(*preset)
                           : qln::PresetExchange::fileText(qln::settingsFile);
    if (!exported.text && preset)
        return errorAnswer(404, "there is no preset named \"" + *preset + "\" that can be copied");
    if (!exported.text)
        return errorAnswer(500, "the settings file cannot be read as text");
    json answer { { "name", preset ? json(*preset) : json(nullptr) },
        { "exchange", qln::PresetExchange::encode(*exported.text) } };
    return jsonAnswer(200, answer.dump(-1, ' ', false, json::error_handler_t::replace));
}

} // namespace

void addPhoneRoutes(Router& router, RouteContext& context)
{
    // The sharing lives on the server's own thread, where routes are called.
    router.add("GET", "/api/phone", [&context](const RequestPtr&, Reply reply) {
        reply(sharingAnswer(context.sharing->state()));
    });
    router.add("POST", "/api/phone", [&context](const RequestPtr& request, Reply reply) {
        reply(changeSharing(*context.sharing, request->body));
    });
    router.add("GET", "/api/exchange", [](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(
            std::move(reply), [request] { return exchangeString(request->param("preset")); });
    });
}

} // namespace web
