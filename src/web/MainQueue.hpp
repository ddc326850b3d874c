#pragma once

#include "web/Http.hpp"

#include <functional>

namespace web {

// Pages, cells and the settings files live on the main queue: a route's work runs there, and its
// answer goes back to the request. A request waits at most as long as the server's patience for
// any answer, and is then answered as busy; each connection has one request at a time, so the
// connection limit bounds how many wait.
void replyFromMainQueue(Reply reply, std::function<Response()> work);

} // namespace web
