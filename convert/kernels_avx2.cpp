// 256-bit kernels for x86-64 processors with AVX2: eight pixels per register. This file alone
// is compiled for AVX2; its rows are only called once the processor has reported AVX2. Each row
// runs whole steps here and hands its remainder to the 128-bit row of the same layout.
#include "convert/kernels.h"

#if defined(QUENTHOR_HAS_WIDE_KERNELS)
#include <immintrin.h>

static inline __m256i Load(const std::uint8_t* from) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
}

static inline void Store(std::uint8_t* to, __m256i value) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), value);
}

static inline const std::uint32_t* PixelsAt(const std::uint8_t* from) {
  return reinterpret_cast<const std::uint32_t*>(from);
}

// A byte shuffle repeated in both 128-bit lanes (the shuffle works within each lane).
static inline __m256i LaneShuffle(char b0, char b1, char b2, char b3, char b4, char b5, char b6,
                                  char b7, char b8, char b9, char b10, char b11, char b12,
                                  char b13, char b14, char b15) {
  return _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15,
                          b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15);
}

const char kZero = static_cast<char>(0x80);  // a shuffle index that writes a zero byte

void Avx2RowXRGB32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  std::uint32_t i = 0;
  for (; i + 32 <= count; i += 32, from += 128, destination += 128) {
    __m256i a = Load(from), b = Load(from + 32), c = Load(from + 64), d = Load(from + 96);
    Store(destination, a);
    Store(destination + 32, b);
    Store(destination + 64, c);
    Store(destination + 96, d);
  }
  for (; i + 8 <= count; i += 8, from += 32, destination += 32) Store(destination, Load(from));
  Sse2RowXRGB32(PixelsAt(from), destination, count - i);
}

void Avx2RowXBGR32(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m256i swap = LaneShuffle(2, 1, 0, kZero, 6, 5, 4, kZero, 10, 9, 8, kZero, 14, 13, 12,
                                   kZero);
  std::uint32_t i = 0;
  for (; i + 16 <= count; i += 16, from += 64, destination += 64) {
    __m256i a = Load(from), b = Load(from + 32);
    Store(destination, _mm256_shuffle_epi8(a, swap));
    Store(destination + 32, _mm256_shuffle_epi8(b, swap));
  }
  Sse2RowXBGR32(PixelsAt(from), destination, count - i);
}

// Thirty-two pixels to 96 bytes in three stores. The byte shuffle closes each lane's four
// pixels up to 12 bytes (dwords 0-2 and 4-6 of the register, 3 and 7 zero); the dword
// permutations then place each register's six dwords where its output stores need them, so
// that each store is a blend of two permuted registers.
static inline void Pack96(std::uint8_t* to, const std::uint8_t* from, __m256i closeUp) {
  const __m256i placeA = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 3);
  const __m256i placeB = _mm256_setr_epi32(2, 4, 5, 6, 3, 3, 0, 1);
  const __m256i placeC = _mm256_setr_epi32(5, 6, 3, 3, 0, 1, 2, 4);
  const __m256i placeD = _mm256_setr_epi32(3, 3, 0, 1, 2, 4, 5, 6);
  __m256i a = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Load(from), closeUp), placeA);
  __m256i b = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Load(from + 32), closeUp), placeB);
  __m256i c = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Load(from + 64), closeUp), placeC);
  __m256i d = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Load(from + 96), closeUp), placeD);
  Store(to, _mm256_blend_epi32(a, b, 0xC0));
  Store(to + 32, _mm256_blend_epi32(b, c, 0xF0));
  Store(to + 64, _mm256_blend_epi32(c, d, 0xFC));
}

void Avx2RowRGB24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m256i closeUp = LaneShuffle(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, kZero, kZero,
                                      kZero, kZero);
  std::uint32_t i = 0;
  for (; i + 32 <= count; i += 32, from += 128, destination += 96) {
    Pack96(destination, from, closeUp);
  }
  Sse2RowRGB24(PixelsAt(from), destination, count - i);
}

void Avx2RowBGR24(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m256i closeUp = LaneShuffle(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, kZero, kZero,
                                      kZero, kZero);
  std::uint32_t i = 0;
  for (; i + 32 <= count; i += 32, from += 128, destination += 96) {
    Pack96(destination, from, closeUp);
  }
  Sse2RowBGR24(PixelsAt(from), destination, count - i);
}

// Sixteen pixels to sixteen 16-bit values, packed as in the narrower kernels: bits 0-10 from 32
// to 16 bits with signed saturation, bits 11-15 from the upper halves' low bytes with unsigned
// saturation; neither saturates. The packs work within 128-bit lanes, so the 64-bit quarters
// come out as pixels 0-3, 8-11, 4-7, 12-15 and are put back in order.
static inline __m256i Join565(__m256i low0, __m256i low1, __m256i high0, __m256i high1) {
  __m256i packed = _mm256_or_si256(_mm256_packs_epi32(low0, low1),
                                   _mm256_packus_epi16(high0, high1));
  return _mm256_permute4x64_epi64(packed, 0xD8);
}

void Avx2RowRGB565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m256i blueField = _mm256_set1_epi32(0x000000F8);
  const __m256i greenField = _mm256_set1_epi32(0x0000FC00);
  const __m256i redField = _mm256_set1_epi32(0x00F80000);
  std::uint32_t i = 0;
  for (; i + 16 <= count; i += 16, from += 64, destination += 32) {
    __m256i a = Load(from), b = Load(from + 32);
    __m256i lowA = _mm256_srli_epi32(
        _mm256_or_si256(_mm256_and_si256(a, greenField),
                        _mm256_slli_epi32(_mm256_and_si256(a, blueField), 2)),
        5);
    __m256i lowB = _mm256_srli_epi32(
        _mm256_or_si256(_mm256_and_si256(b, greenField),
                        _mm256_slli_epi32(_mm256_and_si256(b, blueField), 2)),
        5);
    Store(destination, Join565(lowA, lowB, _mm256_and_si256(a, redField),
                               _mm256_and_si256(b, redField)));
  }
  Sse2RowRGB565(PixelsAt(from), destination, count - i);
}

void Avx2RowBGR565(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  const __m256i blueField = _mm256_set1_epi32(0x000000F8);
  const __m256i greenField = _mm256_set1_epi32(0x0000FC00);
  const __m256i redField = _mm256_set1_epi32(0x00F80000);
  std::uint32_t i = 0;
  for (; i + 16 <= count; i += 16, from += 64, destination += 32) {
    __m256i a = Load(from), b = Load(from + 32);
    __m256i lowA = _mm256_srli_epi32(
        _mm256_or_si256(_mm256_and_si256(a, greenField),
                        _mm256_srli_epi32(_mm256_and_si256(a, redField), 14)),
        5);
    __m256i lowB = _mm256_srli_epi32(
        _mm256_or_si256(_mm256_and_si256(b, greenField),
                        _mm256_srli_epi32(_mm256_and_si256(b, redField), 14)),
        5);
    Store(destination, Join565(lowA, lowB, _mm256_slli_epi32(_mm256_and_si256(a, blueField), 16),
                               _mm256_slli_epi32(_mm256_and_si256(b, blueField), 16)));
  }
  Sse2RowBGR565(PixelsAt(from), destination, count - i);
}

#endif
