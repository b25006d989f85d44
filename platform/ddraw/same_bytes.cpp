#include "platform/ddraw/same_bytes.h"

#include <cstring>

namespace platform {
namespace ddraw {

bool SameBytes(const std::vector<std::uint8_t>& left, const std::vector<std::uint8_t>& right) {
  if (left.size() != right.size()) return false;
  if (left.empty()) return true;
#if defined(__EMSCRIPTEN__)
  // A page's C library is built for size and compares a byte at a time. Here a piece at a time,
  // each without a branch inside, which the page's build turns into 128-bit vector operations;
  // the first piece that differs ends it.
  const std::uint8_t* a = left.data();
  const std::uint8_t* b = right.data();
  const std::size_t size = left.size();
  constexpr std::size_t kPiece = 4096;
  for (std::size_t at = 0; at < size;) {
    const std::size_t end = size - at < kPiece ? size : at + kPiece;
    std::uint8_t differ = 0;
    for (std::size_t i = at; i < end; i++) differ |= a[i] ^ b[i];
    if (differ) return false;
    at = end;
  }
  return true;
#else
  // A desktop's C library compares with the widest registers the processor has.
  return std::memcmp(left.data(), right.data(), left.size()) == 0;
#endif
}

}  // namespace ddraw
}  // namespace platform
