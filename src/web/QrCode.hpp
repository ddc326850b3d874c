#pragma once

#include <string>
#include <string_view>

namespace web {

// The text as a QR code (medium error correction, so a phone's camera reads it off a screen at
// an angle), drawn as SVG: dark modules on white, with the quiet zone of four modules the
// standard asks for. Throws std::runtime_error when the text does not fit in a QR code.
std::string qrCodeSvg(std::string_view text);

} // namespace web
