#include "platform/ddraw/same_bytes.h"

namespace platform {
namespace ddraw {

bool SameBytes(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right) {
  if (left.size() != right.size()) return false;
  const std::uint8_t* a = left.data();
  const std::uint8_t* b = right.data();
  const std::size_t size = left.size();
  // A piece at a time, each without a branch inside, so that the compiler compares it with the
  // widest registers the target has; the first piece that differs ends it.
  constexpr std::size_t kPiece = 4096;
  for (std::size_t at = 0; at < size;) {
    const std::size_t end = size - at < kPiece ? size : at + kPiece;
    std::uint8_t differ = 0;
    for (std::size_t i = at; i < end; i++) differ |= a[i] ^ b[i];
    if (differ) return false;
    at = end;
  }
  return true;
}

}  // namespace ddraw
}  // namespace platform
