// 128-bit kernels for x86-64, where SSE2 is always present: four pixels per register. Each
// kernel converts whole blocks only; AnyWidth runs it over rows of any width.
#include "convert/kernels.h"

#if defined(QUENTHOR_HAS_WIDE_KERNELS)
#include <emmintrin.h>

static inline __m128i Load(const std::uint8_t* from) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
}

static inline void Store(std::uint8_t* to, __m128i value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value);
}

static void Sse2RowXRGB32(const std::uint32_t* source, std::uint8_t* destination,
                          std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; i += 16, from += 64, destination += 64) {
    __m128i a = Load(from), b = Load(from + 16), c = Load(from + 32), d = Load(from + 48);
    Store(destination, a);
    Store(destination + 16, b);
    Store(destination + 32, c);
    Store(destination + 48, d);
  }
}

// Red and blue exchanged, the extra byte cleared: memory order R, G, B, 0. Rotating each pixel
// by 16 bits puts red and blue where the other was; the mask keeps just those two.
static inline __m128i SwapRedBlue(__m128i pixels) {
  const __m128i redBlue = _mm_set1_epi32(0x00FF00FF);
  const __m128i green = _mm_set1_epi32(0x0000FF00);
  __m128i rotated = _mm_or_si128(_mm_slli_epi32(pixels, 16), _mm_srli_epi32(pixels, 16));
  return _mm_or_si128(_mm_and_si128(rotated, redBlue), _mm_and_si128(pixels, green));
}

static void Sse2RowXBGR32(const std::uint32_t* source, std::uint8_t* destination,
                          std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; i += 8, from += 32, destination += 32) {
    __m128i a = Load(from), b = Load(from + 16);
    Store(destination, SwapRedBlue(a));
    Store(destination + 16, SwapRedBlue(b));
  }
}

// Four pixels to their 12 colour bytes in bytes 0-11 (bytes 12-15 zero). Each pixel pair is
// first closed up within its 64-bit half (6 bytes, pixel 1 right after pixel 0), then the upper
// pair is moved down two bytes against the lower one.
static inline __m128i CloseUp24(__m128i pixels) {
  const __m128i firstOfPair = _mm_set1_epi64x(0x0000000000FFFFFFll);
  const __m128i secondOfPair = _mm_set1_epi64x(0x0000FFFFFF000000ll);
  const __m128i upperPair = _mm_set_epi32(0, -1, static_cast<int>(0xFFFF0000u), 0);  // bytes 6-11
  __m128i pairs = _mm_or_si128(_mm_and_si128(pixels, firstOfPair),
                               _mm_and_si128(_mm_srli_epi64(pixels, 8), secondOfPair));
  return _mm_or_si128(_mm_move_epi64(pairs), _mm_and_si128(_mm_srli_si128(pairs, 2), upperPair));
}

// Sixteen pixels, closed up four by four, to 48 contiguous bytes in three stores.
static inline void Store48(std::uint8_t* to, __m128i c0, __m128i c1, __m128i c2, __m128i c3) {
  Store(to, _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
  Store(to + 16, _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
  Store(to + 32, _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
}

static void Sse2RowRGB24(const std::uint32_t* source, std::uint8_t* destination,
                         std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; i += 16, from += 64, destination += 48) {
    Store48(destination, CloseUp24(Load(from)), CloseUp24(Load(from + 16)),
            CloseUp24(Load(from + 32)), CloseUp24(Load(from + 48)));
  }
}

static void Sse2RowBGR24(const std::uint32_t* source, std::uint8_t* destination,
                         std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; i += 16, from += 64, destination += 48) {
    Store48(destination, CloseUp24(SwapRedBlue(Load(from))),
            CloseUp24(SwapRedBlue(Load(from + 16))), CloseUp24(SwapRedBlue(Load(from + 32))),
            CloseUp24(SwapRedBlue(Load(from + 48))));
  }
}

// The two 5-6-5 layouts differ only in which of red and blue takes the high five bits.
enum { kRedHigh = 0, kBlueHigh = 1 };

// Four pixels' bits 0-10, each in its own 32-bit lane: green's top 6 bits at 5-10, the low
// colour's top 5 at 0-4 (blue moved up 2 bits or red down 14 to meet green, then both down 5).
static inline __m128i Low565(__m128i pixels, int high) {
  const __m128i greenField = _mm_set1_epi32(0x0000FC00);
  __m128i lowColour = high == kRedHigh
                          ? _mm_slli_epi32(_mm_and_si128(pixels, _mm_set1_epi32(0x000000F8)), 2)
                          : _mm_srli_epi32(_mm_and_si128(pixels, _mm_set1_epi32(0x00F80000)), 14);
  return _mm_srli_epi32(_mm_or_si128(_mm_and_si128(pixels, greenField), lowColour), 5);
}

// Four pixels' high colour, its top 5 bits in the low byte of each lane's upper half: red is
// there already, blue moves up 16 bits.
static inline __m128i High565(__m128i pixels, int high) {
  return high == kRedHigh ? _mm_and_si128(pixels, _mm_set1_epi32(0x00F80000))
                          : _mm_slli_epi32(_mm_and_si128(pixels, _mm_set1_epi32(0x000000F8)), 16);
}

// Eight pixels to eight 16-bit values, as the 64-bit kernels do it: bits 0-10 packed from 32 to
// 16 bits with signed saturation, bits 11-15 packed from the upper halves' low bytes with
// unsigned saturation. Neither saturates: the low parts stay below 0x800, the high below 0x100.
static inline __m128i Join565(__m128i low0, __m128i low1, __m128i high0, __m128i high1) {
  return _mm_or_si128(_mm_packs_epi32(low0, low1), _mm_packus_epi16(high0, high1));
}

// Both 5-6-5 rows, eight pixels a step.
template <int kHigh>
static void Sse2Row565(const std::uint32_t* source, std::uint8_t* destination,
                       std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; i += 8, from += 32, destination += 16) {
    __m128i a = Load(from), b = Load(from + 16);
    Store(destination, Join565(Low565(a, kHigh), Low565(b, kHigh), High565(a, kHigh),
                               High565(b, kHigh)));
  }
}

const ConverterRows kSse2Rows = {AnyWidth<Sse2RowXRGB32, 16, 4>,  AnyWidth<Sse2RowXBGR32, 8, 4>,
                                 AnyWidth<Sse2RowRGB24, 16, 3>,   AnyWidth<Sse2RowBGR24, 16, 3>,
                                 AnyWidth<Sse2Row565<kRedHigh>, 8, 2>,
                                 AnyWidth<Sse2Row565<kBlueHigh>, 8, 2>};

#endif
