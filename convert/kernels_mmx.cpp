// The 64-bit packed kernels: two pixels per register, four pixels (or 64 bytes) per step. They
// are what the 32-bit build converts with, and they run unconditionally: every processor the
// show targets has these instructions. The pixel kernels convert whole blocks of four only;
// AnyWidth runs them over rows of any width. The packed registers share their state with the
// floating-point unit, so every kernel clears it (_mm_empty) before it returns.
#include "convert/kernels.h"

#if defined(QUENTHOR_HAS_MMX_KERNELS)
#include <mmintrin.h>

#include <cstring>

// The same register type at byte alignment: rows may start at any address.
typedef __m64 UnalignedPacked __attribute__((__aligned__(1), __may_alias__));

static inline __m64 LoadPacked(const std::uint8_t* from) {
  return *reinterpret_cast<const UnalignedPacked*>(from);
}

static inline void StorePacked(std::uint8_t* to, __m64 value) {
  *reinterpret_cast<UnalignedPacked*>(to) = value;
}

void BlockCopy(const void* source, void* destination, std::size_t byteCount) {
  const std::uint8_t* from = static_cast<const std::uint8_t*>(source);
  std::uint8_t* to = static_cast<std::uint8_t*>(destination);
  for (std::size_t blocks = byteCount / 64; blocks != 0; --blocks, from += 64, to += 64) {
    __m64 q0 = LoadPacked(from), q1 = LoadPacked(from + 8);
    __m64 q2 = LoadPacked(from + 16), q3 = LoadPacked(from + 24);
    __m64 q4 = LoadPacked(from + 32), q5 = LoadPacked(from + 40);
    __m64 q6 = LoadPacked(from + 48), q7 = LoadPacked(from + 56);
    // Data that is only moved, never computed on, would otherwise travel through general
    // registers four bytes at a time; this places the eight values in the packed registers.
    __asm__("" : "+y"(q0), "+y"(q1), "+y"(q2), "+y"(q3), "+y"(q4), "+y"(q5), "+y"(q6), "+y"(q7));
    StorePacked(to, q0);
    StorePacked(to + 8, q1);
    StorePacked(to + 16, q2);
    StorePacked(to + 24, q3);
    StorePacked(to + 32, q4);
    StorePacked(to + 40, q5);
    StorePacked(to + 48, q6);
    StorePacked(to + 56, q7);
  }
  for (std::size_t rest = byteCount % 64; rest != 0; --rest) *to++ = *from++;
  _mm_empty();
}

static void MmxRowXRGB32(const std::uint32_t* source, std::uint8_t* destination,
                         std::uint32_t count) {
  BlockCopy(source, destination, static_cast<std::size_t>(count) * 4);
}

static void MmxRowRGB24(const std::uint32_t* source, std::uint8_t* destination,
                        std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m64 colourMask = _mm_set1_pi32(0x00FFFFFF);
  for (std::uint32_t groups = count / 4; groups != 0; --groups, from += 16, destination += 12) {
    __m64 pixels01 = _mm_and_si64(LoadPacked(from), colourMask);
    __m64 pixels23 = _mm_and_si64(LoadPacked(from + 8), colourMask);
    // pixel 0 | pixel 1 << 24 | pixel 2 << 48: the first eight output bytes.
    __m64 pixel0 = _mm_srli_si64(_mm_slli_si64(pixels01, 32), 32);
    __m64 pixel1 = _mm_slli_si64(_mm_srli_si64(pixels01, 32), 24);
    __m64 first = _mm_or_si64(_mm_or_si64(pixel0, pixel1), _mm_slli_si64(pixels23, 48));
    StorePacked(destination, first);
    // pixel 2 >> 16 | pixel 3 << 8: the last four. Pixel 2's extra byte is already clear, so
    // shifting the pair right by 24 brings pixel 3 into place with nothing of pixel 2.
    __m64 pixel2High = _mm_srli_si64(_mm_slli_si64(pixels23, 32), 48);
    int last = _mm_cvtsi64_si32(_mm_or_si64(pixel2High, _mm_srli_si64(pixels23, 24)));
    std::memcpy(destination + 8, &last, 4);
  }
  _mm_empty();
}

// The two 5-6-5 layouts differ only in which of red and blue takes the high five bits.
enum { kRedHigh = 0, kBlueHigh = 1 };

// Two pixels' bits 0-10, each in its own 32-bit lane: green's top 6 bits at 5-10, the low
// colour's top 5 bits at 0-4.
static inline __m64 Low565(__m64 pixels, int high) {
  const __m64 blueField = _mm_set1_pi32(0x000000F8);
  const __m64 greenField = _mm_set1_pi32(0x0000FC00);
  const __m64 redField = _mm_set1_pi32(0x00F80000);
  __m64 lowColour = high == kRedHigh ? _mm_slli_pi32(_mm_and_si64(pixels, blueField), 2)
                                     : _mm_srli_pi32(_mm_and_si64(pixels, redField), 14);
  return _mm_srli_pi32(_mm_or_si64(_mm_and_si64(pixels, greenField), lowColour), 5);
}

// Two pixels' high colour, its top 5 bits in the low byte of each lane's upper half.
static inline __m64 High565(__m64 pixels, int high) {
  const __m64 blueField = _mm_set1_pi32(0x000000F8);
  const __m64 redField = _mm_set1_pi32(0x00F80000);
  return high == kRedHigh ? _mm_and_si64(pixels, redField)
                          : _mm_slli_si64(_mm_and_si64(pixels, blueField), 16);
}

// Four pixels from two registers to four 16-bit values: the low parts (packed with signed
// saturation from 32 to 16 bits) OR-ed with the high parts, whose low byte of each lane's upper
// half becomes each value's high byte when the halves are packed to bytes. Neither pack
// saturates: the low parts stay below 0x800 and the high parts below 0x100.
static inline __m64 Join565(__m64 low01, __m64 low23, __m64 high01, __m64 high23) {
  return _mm_or_si64(_mm_packs_pi32(low01, low23), _mm_packs_pu16(high01, high23));
}

// Both 5-6-5 rows, four pixels at a time.
static inline void Pack565Groups(const std::uint32_t* source, std::uint8_t* destination,
                                 std::uint32_t count, int high) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t groups = count / 4; groups != 0; --groups, from += 16, destination += 8) {
    __m64 pixels01 = LoadPacked(from), pixels23 = LoadPacked(from + 8);
    StorePacked(destination, Join565(Low565(pixels01, high), Low565(pixels23, high),
                                     High565(pixels01, high), High565(pixels23, high)));
  }
  _mm_empty();
}

static void MmxRowRGB565(const std::uint32_t* source, std::uint8_t* destination,
                         std::uint32_t count) {
  Pack565Groups(source, destination, count, kRedHigh);
}

static void MmxRowBGR565(const std::uint32_t* source, std::uint8_t* destination,
                         std::uint32_t count) {
  Pack565Groups(source, destination, count, kBlueHigh);
}

// The two swapped layouts of 32 and 24 bits stay per-pixel loops.
const ConverterRows kMmxRows = {MmxRowXRGB32,                 ReferenceRowXBGR32,
                                AnyWidth<MmxRowRGB24, 4, 3>,  ReferenceRowBGR24,
                                AnyWidth<MmxRowRGB565, 4, 2>, AnyWidth<MmxRowBGR565, 4, 2>};

#endif
