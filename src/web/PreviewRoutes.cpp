#include "foundation/Dispatch.hpp"
#include "theming/ThemingComponent.hpp"
#include "web/JsonAnswer.hpp"
#include "web/PreviewJson.hpp"
#include "web/Routes.hpp"

namespace web {

void addPreviewRoutes(Router& router, RouteContext& context)
{
    router.add("GET", "/api/preview", [&context](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply), [&context, request] {
            // ?preset=NAME: that preset as it would look once loaded, nothing loaded.
            auto preset = request->param("preset");
            if (!preset)
                return jsonAnswer(200, previewJson(context.theming.palette()));
            auto answer = presetPreview(context.theming, *preset);
            return jsonAnswer(answer.status, std::move(answer.json));
        });
    });
    router.add("POST", "/api/preview", [&context](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply), [&context, request] {
            auto error = applyPreviewAction(context.theming, request->body);
            if (!error.empty())
                return errorAnswer(400, error);
            // An applied preset announces itself through the update notification: let the
            // component read the files again before answering.
            fw::DispatchMainQueue::drain();
            return jsonAnswer(200, previewJson(context.theming.palette()));
        });
    });
}

} // namespace web
