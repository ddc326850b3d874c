#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The platform scanners' reading of numbers in UTF-8 text, independent of the locale: leading
// white space (Unicode's, line breaks included), an optional sign, digits, an optional "." fraction
// and an optional exponent (an "e" without digits is not part of the number). No "inf", "nan" or
// hexadecimal floats. Text that does not begin with a number reads as 0; a number too large for the
// type reads as infinity.
double scanDouble(std::string_view text);
// The same number rounded once to single precision, as NSScanner's scanFloat: reads it.
float scanFloat(std::string_view text);

// NSScanner's scanHexInt: from byte index `start`: white space skipped as above, optional
// "0x"/"0X", hex digits up to the first other character. More than 32 bits gives 0xFFFFFFFF; no
// digit gives 0.
std::uint32_t scanHexInt(std::string_view text, std::size_t start = 0);

// printf's "%f" (six decimals), never depending on the locale.
std::string formatDouble6(double value);

// The value of one hexadecimal digit, either case; -1 for any other character.
int hexDigitValue(char c);

} // namespace fw
