#include "device/DeviceSetup.hpp"
#include "web/JsonAnswer.hpp"
#include "web/Routes.hpp"
#include "web/StaticFiles.hpp"

namespace web {

void addStaticRoutes(Router& router, RouteContext& context)
{
    router.otherwise([webRoot = device::dataDir() / "web", deviceRoot = context.deviceRoot](
                         const RequestPtr& request, Reply reply) {
        const std::string& path = request->path;
        auto file = path.rfind("/device/", 0) == 0 ? deviceFile(deviceRoot, path.substr(7))
            : path == "/"                          ? staticFile(webRoot, "/index.html")
            : path == "/phone"                     ? staticFile(webRoot, "/phone.html")
                                                   : staticFile(webRoot, path);
        if (!file)
            return reply(errorAnswer(404, "not found"));
        Response response { 200, file->contentType, {}, {} };
        response.setHeader("Cache-Control", "no-cache");
        response.setHeader("ETag", file->etag);
        response.setHeader("X-Content-Type-Options", "nosniff");
        if (request->header("if-none-match") == file->etag)
            response.status = 304;
        else
            response.body = std::move(file->bytes);
        reply(std::move(response));
    });
}

} // namespace web
