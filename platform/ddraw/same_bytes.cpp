#include "platform/ddraw/same_bytes.h"

#include <cstring>

namespace platform {
namespace ddraw {

bool SameBytes(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right) {
  if (left.size() != right.size()) return false;
  const std::uint8_t* a = left.data();
  const std::uint8_t* b = right.data();
  const std::size_t size = left.size();
  std::size_t at = 0;
  for (; at + sizeof(std::uint64_t) <= size; at += sizeof(std::uint64_t)) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a + at, sizeof x);
    std::memcpy(&y, b + at, sizeof y);
    if (x != y) return false;
  }
  for (; at < size; at++)
    if (a[at] != b[at]) return false;
  return true;
}

}  // namespace ddraw
}  // namespace platform
