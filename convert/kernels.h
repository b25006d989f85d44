// What stands behind the six row converters: the per-pixel reference rows that define every
// layout, the 64-bit packed (MMX) kernels, the wider x86-64 kernels, the wrapper that lets a
// kernel of whole blocks convert a row of any width, and the choice of kernel family that the
// converters run on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/convert.h"

// One family's row for each layout, each for rows of any width.
struct ConverterRows {
  RowConverter xrgb32, xbgr32, rgb24, bgr24, rgb565, bgr565;
};

// Per-pixel reference rows, one per layout, with the RowConverter signature. They define the
// output that every packed kernel must reproduce byte for byte.
void ReferenceRowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
extern const ConverterRows kReferenceRows;

// The pixels left over after a row's whole blocks, converted as one block through a padded
// buffer. Apart from AnyWidth, so that a row of whole blocks pays nothing for the buffer.
template <RowConverter kBlocks, std::uint32_t kBlock, std::uint32_t kBytesPerPixel>
__attribute__((noinline)) static void LeftOver(const std::uint8_t* source,
                                               std::uint8_t* destination, std::size_t rest) {
  alignas(32) std::uint32_t in[kBlock] = {};
  alignas(32) std::uint8_t out[kBlock * kBytesPerPixel];
  std::memcpy(in, source, rest * 4);
  kBlocks(in, out, kBlock);
  std::memcpy(destination, out, rest * kBytesPerPixel);
}

// Runs a kernel that converts only whole blocks of kBlock pixels over a row of any width, so
// that no kernel needs a tail of its own. Internal linkage: the AVX2 file's copies are compiled
// for AVX2 and must never stand in for another file's.
template <RowConverter kBlocks, std::uint32_t kBlock, std::uint32_t kBytesPerPixel>
static void AnyWidth(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint32_t whole = count - count % kBlock;
  if (whole != 0) kBlocks(source, destination, whole);
  if (whole == count) return;
  LeftOver<kBlocks, kBlock, kBytesPerPixel>(
      reinterpret_cast<const std::uint8_t*>(source) + std::size_t{whole} * 4,
      destination + std::size_t{whole} * kBytesPerPixel, count - whole);
}

#if defined(__i386__) || defined(__x86_64__)
#define QUENTHOR_HAS_MMX_KERNELS 1

// The 64-bit packed kernels. They clear the packed state before returning, so floating-point
// code after them runs normally. Like every row, they take the source first; neither pointer
// needs any alignment.

// Copies byteCount bytes: 64-byte blocks as eight 64-bit loads then eight stores, then the rest
// byte by byte.
void BlockCopy(const void* source, void* destination, std::size_t byteCount);
// The straight 32-bit layout is a block copy; the 24-bit and 5-6-5 red-high layouts and the
// 5-6-5 blue-high one are kernels of four-pixel blocks; the other two are the reference rows.
extern const ConverterRows kMmxRows;
#endif

#if defined(__x86_64__)
#define QUENTHOR_HAS_WIDE_KERNELS 1

// The 128-bit SSE2 kernels' rows, present on every x86-64 processor: blocks of 16 pixels
// (XRGB32, both 24-bit layouts) or 8 (XBGR32, both 5-6-5 layouts).
extern const ConverterRows kSse2Rows;

// The 256-bit AVX2 kernels' rows, only to be run when the processor reports AVX2: blocks of 8
// pixels (both 32-bit layouts), 32 (both 24-bit) or 16 (both 5-6-5).
extern const ConverterRows kAvx2Rows;
#endif

// Kernel families the six converters can run on, and the two values that name no family.
enum ConverterKernels {
  kKernelsNone = 0,       // what ActiveConverterKernels reports while no family is chosen
  kKernelsReference = 1,  // the per-pixel reference rows, on every processor
  kKernelsMmx = 2,        // the 64-bit packed kernels; the two swapped layouts per pixel (x86)
  kKernelsSse2 = 3,       // 128-bit kernels (x86-64)
  kKernelsAvx2 = 4,       // 256-bit kernels (x86-64 with AVX2)
  kKernelsFastest = 5,    // as an argument: the fastest family this build and processor offer
};

// Makes the converters run on the given family from now on. Returns 1, or 0 if this build or
// processor lacks it (the family in use is then unchanged). SelectRowConverter and the first
// conversion choose kKernelsFastest when no family has been chosen yet.
int UseConverterKernels(int kernels);
// The family the converters run on, or kKernelsNone while none has been chosen.
int ActiveConverterKernels();
// The family that kKernelsFastest stands for on this build and processor.
int FastestConverterKernels();
