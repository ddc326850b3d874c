// The colour value reader on any text: components stay within 0–1, the formatted value reads
// back to itself, and the row detail text never fails.
#include "cells/QLNColorPicker.hpp"
#include "store/UIColor+Quillane.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what, std::string_view input)
{
    if (condition)
        return;
    std::fprintf(stderr, "%s for \"%.*s\"\n", what, static_cast<int>(input.size()), input.data());
    std::abort();
}

bool unit(double component)
{
    return component >= 0.0 && component <= 1.0;
}

// "#RRGGBB:d.dddddd" with upper-case hexadecimal digits.
bool wellFormed(const std::string& text)
{
    if (text.size() < 10 || text[0] != '#' || text[7] != ':')
        return false;
    for (int i = 1; i < 7; ++i) {
        char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return text.find_first_not_of("0123456789.", 8) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)qln::QLNColorPicker::displayText(text);
    auto colour = qln::qlnRGBAColorFromHexString(text);
    if (!colour)
        return 0;
    require(unit(colour->red) && unit(colour->green) && unit(colour->blue), "component outside 0-1",
        text);
    require(unit(colour->alpha), "alpha outside 0-1", text);
    (void)qln::qlnIsBrightColor(*colour);
    auto inverse = qln::qlnInverseColor(*colour);
    require(unit(inverse.red) && unit(inverse.alpha), "inverse outside 0-1", text);

    std::string formatted = qln::qlnHexStringFromColor(*colour);
    require(wellFormed(formatted), "badly formed colour value", formatted);
    auto reread = qln::qlnRGBAColorFromHexString(formatted);
    require(reread.has_value(), "formatted value does not read back", formatted);
    require(qln::qlnHexStringFromColor(*reread) == formatted, "formatted value drifts", formatted);
    (void)qln::QLNColorPicker::displayText(formatted);
    return 0;
}
