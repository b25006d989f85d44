// Shared material for the converter tests: the six layouts, test pixels, and buffers whose
// edges AddressSanitizer watches.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "convert/kernels.h"

struct TestLayout {
  const char* name;
  RowConverter converter;
  RowConverter reference;
  unsigned bytesPerPixel;
};

inline const std::vector<TestLayout>& TestLayouts() {
  static const std::vector<TestLayout> layouts = {
      {"XRGB32", ConvertRowXRGB32, ReferenceRowXRGB32, 4},
      {"XBGR32", ConvertRowXBGR32, ReferenceRowXBGR32, 4},
      {"RGB24", ConvertRowRGB24, ReferenceRowRGB24, 3},
      {"BGR24", ConvertRowBGR24, ReferenceRowBGR24, 3},
      {"RGB565", ConvertRowRGB565, ReferenceRowRGB565, 2},
      {"BGR565", ConvertRowBGR565, ReferenceRowBGR565, 2},
  };
  return layouts;
}

// Pixels that stress the packing: nothing and everything, each channel and the extra byte
// alone, and the low bits that 5- and 6-bit reduction drops (alone and just above them).
inline const std::vector<std::uint32_t>& ExtremePixels() {
  static const std::vector<std::uint32_t> pixels = {
      0x00000000, 0xFFFFFFFF, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000,
      0x00FFFFFF, 0xFF00FF00, 0x00FF00FF, 0x00070307, 0x00080408, 0xFF070307,
      0x00F8FCF8, 0x00F7FBF7, 0x80808080, 0x7F7F7F7F, 0x01010101, 0xFEFEFEFE,
  };
  return pixels;
}

// count pixels, mostly random with extremes scattered among them.
inline std::vector<std::uint32_t> MixedPixels(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  const std::vector<std::uint32_t>& extremes = ExtremePixels();
  std::vector<std::uint32_t> pixels(count);
  for (std::uint32_t& pixel : pixels) {
    std::uint32_t pick = random();
    pixel = (pick % 3 == 0) ? extremes[(pick / 3) % extremes.size()] : random();
  }
  return pixels;
}

// A heap buffer of exactly size bytes, so that AddressSanitizer reports any access past it.
inline std::unique_ptr<std::uint8_t[]> ExactBuffer(std::size_t size) {
  // At least one byte: a zero-size allocation would leave nothing to point into.
  return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size == 0 ? 1 : size]);
}

// Source pixels at the given misalignment, ending exactly at the end of their allocation.
struct SourceRow {
  std::unique_ptr<std::uint8_t[]> bytes;
  const std::uint32_t* pixels;
};

inline SourceRow MakeSourceRow(const std::vector<std::uint32_t>& pixels, unsigned misalignment) {
  std::size_t size = misalignment + pixels.size() * 4;
  SourceRow row{ExactBuffer(size), nullptr};
  std::memset(row.bytes.get(), 0xEE, misalignment);
  if (!pixels.empty()) std::memcpy(row.bytes.get() + misalignment, pixels.data(), pixels.size() * 4);
  row.pixels = reinterpret_cast<const std::uint32_t*>(row.bytes.get() + misalignment);
  return row;
}

// Destination bytes at the given misalignment, between guard bytes that must stay untouched.
const std::size_t kGuardBytes = 64;
const std::uint8_t kGuardValue = 0xA5;

struct DestinationRow {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size;
  std::uint8_t* start;  // where the converter writes
  std::size_t outputBytes;
};

inline DestinationRow MakeDestinationRow(std::size_t outputBytes, unsigned misalignment) {
  std::size_t size = kGuardBytes + misalignment + outputBytes + kGuardBytes;
  DestinationRow row{ExactBuffer(size), size, nullptr, outputBytes};
  std::memset(row.bytes.get(), kGuardValue, size);
  row.start = row.bytes.get() + kGuardBytes + misalignment;
  return row;
}

// 1 if every byte outside the output is still the guard value.
inline int GuardsIntact(const DestinationRow& row) {
  const std::uint8_t* end = row.start + row.outputBytes;
  for (const std::uint8_t* p = row.bytes.get(); p < row.start; ++p) {
    if (*p != kGuardValue) return 0;
  }
  for (const std::uint8_t* p = end; p < row.bytes.get() + row.size; ++p) {
    if (*p != kGuardValue) return 0;
  }
  return 1;
}

// Every kernel family, narrowest first.
inline std::vector<int> AllKernelFamilies() {
  return {kKernelsReference, kKernelsMmx, kKernelsSse2, kKernelsAvx2};
}

// The families this build compiles (whether the processor runs them all or not).
inline std::vector<int> BuiltKernelFamilies() {
#if defined(__x86_64__)
  return {kKernelsReference, kKernelsMmx, kKernelsSse2, kKernelsAvx2};
#elif defined(__i386__)
  return {kKernelsReference, kKernelsMmx};
#else
  return {kKernelsReference};
#endif
}

inline bool ProcessorHasFamily(int kernels) {
  switch (kernels) {
    case kKernelsReference:
      return true;
    case kKernelsMmx:
#if defined(__i386__) || defined(__x86_64__)
      return true;
#else
      return false;
#endif
    case kKernelsSse2:
#if defined(__x86_64__)
      return true;
#else
      return false;
#endif
    case kKernelsAvx2:
#if defined(__x86_64__)
      return __builtin_cpu_supports("avx2");
#else
      return false;
#endif
  }
  return false;
}
