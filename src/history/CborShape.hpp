#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace history {

// Walks a CBOR document without building it and throws std::runtime_error when it is nested
// deeper than `maxDepth`, holds more than `maxItems` items or runs past its bytes. The JSON
// library's reader recurses once per level and builds every item: a crafted history would
// otherwise overflow the stack or cost far more memory than its bytes.
void checkCborShape(std::span<const std::uint8_t> bytes, int maxDepth, std::size_t maxItems);

} // namespace history
