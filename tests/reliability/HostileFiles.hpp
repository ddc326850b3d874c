#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reliability {

// Binary property lists built by hand, for shapes no writer would produce: every object is an
// array holding `fanOut` references to the next one, and the last is the integer 1. With fanOut
// 1 that is `depth` nested arrays; with 2 it is a tiny file that expands to 2^depth objects.
std::string binaryNestedArrays(std::uint32_t depth, unsigned fanOut = 1);
// A binary property list of one dictionary of short strings (each under 256 bytes), which may
// hold bytes no XML file can carry.
std::string binaryDictionary(const std::vector<std::pair<std::string, std::string>>& entries);
// A binary property list whose one array claims `count` elements it does not have.
std::string binaryArrayClaiming(std::uint64_t count);
// `depth` nested XML arrays around a string.
std::string xmlNestedArrays(std::size_t depth);

// One way to damage a property-list file, from its sound bytes.
struct Damage {
    const char* name;
    std::string (*make)(const std::string& sound);
};
// Truncated, empty, random binary, a binary header over garbage, nested past the depth limit
// (XML and binary), past the size limit, a root that is no dictionary, text that is no UTF-8.
const std::vector<Damage>& damages();

} // namespace reliability
