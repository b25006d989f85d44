#include "platform/fmod/s3m_extent.h"

#include <cstdint>
#include <cstring>

namespace platform {
namespace fmod {
namespace {

const std::size_t kHeaderBytes = 96;
const std::size_t kSampleHeaderBytes = 80;
const std::size_t kPanTableBytes = 32;
const unsigned char kPanTableFollows = 252;
const int kRows = 64;

unsigned U16(const unsigned char* at) { return at[0] | (at[1] << 8); }
std::uint32_t U32(const unsigned char* at) {
  return U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16);
}

// Sizes are compared as 64-bit values: pointers and lengths come from the file and may be
// anything.
bool Inside(std::uint64_t offset, std::uint64_t length, std::size_t size) {
  return offset <= size && length <= size - offset;
}

bool SampleComplete(const unsigned char* data, std::size_t size, std::uint64_t header) {
  if (!Inside(header, kSampleHeaderBytes, size)) return false;
  const unsigned char* sample = data + header;
  if (sample[0] != 1) return true;  // not a PCM sample: no data to check
  const std::uint32_t length = U32(sample + 16);
  if (length == 0) return true;
  const unsigned packing = sample[30];
  if (packing != 0) return true;  // compressed data: its size isn't known from the header
  const unsigned flags = sample[31];
  const std::uint64_t bytesPerSample = ((flags & 4) ? 2 : 1) * ((flags & 2) ? 2 : 1);
  const std::uint64_t where = ((static_cast<std::uint64_t>(sample[13]) << 16) | U16(sample + 14)) * 16;
  return Inside(where, length * bytesPerSample, size);
}

// Walks the packed rows: each entry is a channel byte whose flags say which fields follow; a
// zero byte ends a row.
bool PatternComplete(const unsigned char* data, std::size_t size, std::uint64_t offset) {
  if (!Inside(offset, 2, size)) return false;
  std::uint64_t at = offset + 2;
  for (int row = 0; row < kRows; ++row) {
    for (;;) {
      if (at >= size) return false;
      const unsigned what = data[at++];
      if (what == 0) break;
      const std::uint64_t fields = ((what & 0x20) ? 2 : 0) + ((what & 0x40) ? 1 : 0) + ((what & 0x80) ? 2 : 0);
      if (!Inside(at, fields, size)) return false;
      at += fields;
    }
  }
  return true;
}

}  // namespace

bool LooksLikeS3m(const unsigned char* data, std::size_t size) {
  return size >= kHeaderBytes && std::memcmp(data + 44, "SCRM", 4) == 0 && data[29] == 16;
}

bool S3mIsComplete(const unsigned char* data, std::size_t size) {
  if (!LooksLikeS3m(data, size)) return false;
  const std::uint64_t orders = U16(data + 32);
  const std::uint64_t samples = U16(data + 34);
  const std::uint64_t patterns = U16(data + 36);
  const std::uint64_t samplePointers = kHeaderBytes + orders;
  const std::uint64_t patternPointers = samplePointers + 2 * samples;
  const std::uint64_t tablesEnd = patternPointers + 2 * patterns;
  const std::uint64_t panBytes = data[53] == kPanTableFollows ? kPanTableBytes : 0;
  if (!Inside(0, tablesEnd + panBytes, size)) return false;
  for (std::uint64_t i = 0; i < samples; ++i) {
    const std::uint64_t pointer = U16(data + samplePointers + 2 * i);
    if (pointer != 0 && !SampleComplete(data, size, pointer * 16)) return false;
  }
  for (std::uint64_t i = 0; i < patterns; ++i) {
    const std::uint64_t pointer = U16(data + patternPointers + 2 * i);
    if (pointer != 0 && !PatternComplete(data, size, pointer * 16)) return false;  // 0: empty
  }
  return true;
}

}  // namespace fmod
}  // namespace platform
