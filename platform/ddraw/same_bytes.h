// Whether two buffers hold the same bytes: a flip's test of an unchanged picture (device.cpp).
#pragma once
#include <cstdint>
#include <vector>

namespace platform {
namespace ddraw {

// Looked at on every flip, over the whole picture: by the C library on a desktop; in a page,
// whose size-optimised library compares a byte at a time (a fifth of its frame), with vectors.
bool SameBytes(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right);

}  // namespace ddraw
}  // namespace platform
