#include "web/QrCode.hpp"

#include <memory>
#include <qrencode.h>
#include <stdexcept>

namespace web {

namespace {

constexpr int kQuietZone = 4;

struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

} // namespace

std::string qrCodeSvg(std::string_view text)
{
    std::string copy(text);
    std::unique_ptr<QRcode, QrFree> code(
        QRcode_encodeString(copy.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code)
        throw std::runtime_error("the address does not fit in a QR code");
    int side = code->width + 2 * kQuietZone;
    std::string path;
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // The lowest bit of each module says whether it is dark.
            if (code->data[y * code->width + x] & 1)
                path += "M" + std::to_string(x + kQuietZone) + " " + std::to_string(y + kQuietZone)
                    + "h1v1h-1z";
        }
    }
    std::string size = std::to_string(side);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + size + " " + size
        + "\" shape-rendering=\"crispEdges\"><rect width=\"" + size + "\" height=\"" + size
        + "\" fill=\"#fff\"/><path fill=\"#000\" d=\"" + path + "\"/></svg>";
}

} // namespace web
