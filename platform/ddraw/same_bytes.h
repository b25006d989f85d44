// Whether two buffers hold the same bytes: a flip's test of an unchanged picture (device.cpp).
#pragma once
#include <cstdint>
#include <vector>

namespace platform {
namespace ddraw {

// Looked at on every flip, over the whole picture: a word at a time, since a byte loop (what the
// browser's size-optimised library compares with) took a fifth of a page's frame.
bool SameBytes(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right);

}  // namespace ddraw
}  // namespace platform
