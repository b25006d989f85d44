// What stands behind the six row converters: the per-pixel reference rows that define every
// layout, the 64-bit packed (MMX) kernels, the wider x86-64 kernels, and the choice of kernel
// family that the converters run on.
#pragma once
#include <cstddef>
#include <cstdint>

#include "convert/convert.h"

// Per-pixel reference rows, one per layout, with the RowConverter signature. They define the
// output that every packed kernel must reproduce byte for byte, and finish the rows' remainders.
void ReferenceRowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void ReferenceRowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);

#if defined(__i386__) || defined(__x86_64__)
#define QUENTHOR_HAS_MMX_KERNELS 1

// The 64-bit packed kernels. They clear the packed state before returning, so floating-point
// code after them runs normally. Like every row, they take the source first; neither pointer
// needs any alignment.

// Copies byteCount bytes: 64-byte blocks as eight 64-bit loads then eight stores, then the rest
// byte by byte.
void BlockCopy(const void* source, void* destination, std::size_t byteCount);
// The straight 32-bit layout: a block copy of count * 4 bytes.
void MmxRowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
// Four pixels at a time into 3-byte B, G, R; the last count mod 4 pixels one by one.
void MmxRowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
// Four pixels at a time into 16-bit red-high 5-6-5 values; the remainder one by one.
void MmxRowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
// Four pixels at a time into 16-bit blue-high 5-6-5 values; the remainder one by one.
void MmxRowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
#endif

#if defined(__x86_64__)
#define QUENTHOR_HAS_WIDE_KERNELS 1

// 128-bit SSE2 rows, present on every x86-64 processor.
void Sse2RowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Sse2RowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Sse2RowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Sse2RowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Sse2RowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Sse2RowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);

// 256-bit AVX2 rows; only to be called when the processor reports AVX2.
void Avx2RowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Avx2RowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Avx2RowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Avx2RowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Avx2RowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
void Avx2RowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count);
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
