#include "web/MainQueue.hpp"

#include "foundation/Dispatch.hpp"
#include "web/JsonAnswer.hpp"

namespace web {

void replyFromMainQueue(Reply reply, std::function<Response()> work)
{
    fw::DispatchMainQueue::async([reply = std::move(reply), work = std::move(work)] {
        Response response;
        try {
            response = work();
        } catch (const std::exception& failure) {
            response = errorAnswer(500, failure.what());
        }
        reply(std::move(response));
    });
}

} // namespace web
