#include "host/Session.hpp"
#include "web/JsonAnswer.hpp"
#include "web/PreviewJson.hpp"
#include "web/Routes.hpp"

namespace web {

void addEventRoutes(Router& router, RouteContext& context)
{
    router.add("POST", "/api/event", [&context](const RequestPtr& request, Reply reply) {
        replyFromMainQueue(std::move(reply), [&context, request] {
            auto answer = context.session.handle(
                request->body, [&context] { showPendingPick(context.session, context.theming); });
            return jsonAnswer(answer.applied ? 200 : 400, std::move(answer.screen));
        });
    });
    router.add("GET", "/api/screen", [&context](const RequestPtr&, Reply reply) {
        replyFromMainQueue(
            std::move(reply), [&context] { return jsonAnswer(200, context.session.screen()); });
    });
    // The server keeps the connection and sends the broadcast's messages on it.
    router.add("GET", "/api/stream", [](const RequestPtr& request, Reply reply) {
        Response stream { 200, "text/event-stream", "", {} };
        stream.eventStream = true;
        // A phone sees the picture, not the pages, the pasteboard or what the settings did.
        stream.picturesOnly = request->viewer;
        reply(std::move(stream));
    });
}

} // namespace web
