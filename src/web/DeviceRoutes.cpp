#include "device/DeviceProfile.hpp"
#include "host/Session.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/DeviceJson.hpp"
#include "web/JsonAnswer.hpp"
#include "web/Routes.hpp"

namespace web {

namespace {

// A change is no step of the settings' history; the open pages and the preview follow it, also
// after a failure part of the way, which may have changed some files.
Response replaceDevice(RouteContext& context, const std::string& body)
{
    if (auto title = context.session.presentedTitle())
        return errorAnswer(409, "close '" + *title + "' first");
    try {
        device::applyProfile(context.deviceRoot, parseDeviceJson(body));
    } catch (const device::ProfileError& refusal) {
        return errorAnswer(400, refusal.what());
    } catch (const std::exception& failure) {
        context.session.reloadAfterDeviceChange();
        context.theming.deviceChanged();
        return errorAnswer(500, failure.what());
    }
    context.session.reloadAfterDeviceChange();
    context.theming.deviceChanged();
    return jsonAnswer(200, deviceJson(device::readProfile(context.deviceRoot)));
}

} // namespace

void addDeviceRoutes(Router& router, RouteContext& context)
{
    router.add("GET", "/api/device", [&context](const RequestPtr&, Reply reply) {
        replyFromMainQueue(std::move(reply), [&context] {
            return jsonAnswer(200, deviceJson(device::readProfile(context.deviceRoot)));
        });
    });
    router.add("PUT", "/api/device", [&context](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply),
            [&context, request] { return replaceDevice(context, request->body); });
    });
}

} // namespace web
