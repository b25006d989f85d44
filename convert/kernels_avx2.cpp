// 256-bit kernels for x86-64 processors with AVX2: eight pixels per register. This file alone
// is compiled for AVX2; its rows are only called once the processor has reported AVX2.
//
// Each kernel converts whole steps, with the stores aligned to 32 bytes wherever the layout
// allows (a split store costs measurably more). As memcpy does it, the first step and the last
// may overlap the aligned ones: they convert a few pixels twice, to the same bytes. AnyWidth
// runs the kernels over rows of any width.
#include "convert/kernels.h"

#if defined(QUENTHOR_HAS_WIDE_KERNELS)
#include <immintrin.h>

static inline __m256i Load(const std::uint8_t* from) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
}

static inline void Store(std::uint8_t* to, __m256i value) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), value);
}

// A byte shuffle repeated in both 128-bit lanes (the shuffle works within each lane).
static inline __m256i LaneShuffle(char b0, char b1, char b2, char b3, char b4, char b5, char b6,
                                  char b7, char b8, char b9, char b10, char b11, char b12,
                                  char b13, char b14, char b15) {
  return _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15,
                          b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15);
}

const char kZero = static_cast<char>(0x80);  // a shuffle index that writes a zero byte

// A straight copy, as memcpy does it: the first and last 32 bytes with unaligned stores, and
// everything between with stores aligned to 32 bytes (the unaligned first store covers the
// bytes up to the first aligned one; the last store may overlap bytes already written).
static void Avx2RowXRGB32(const std::uint32_t* source, std::uint8_t* destination,
                          std::uint32_t count) {
  std::size_t size = static_cast<std::size_t>(count) * 4;
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  Store(destination, Load(from));
  std::size_t done = 32 - (reinterpret_cast<std::uintptr_t>(destination) & 31);
  for (; done + 128 <= size; done += 128) {
    __m256i a = Load(from + done), b = Load(from + done + 32);
    __m256i c = Load(from + done + 64), d = Load(from + done + 96);
    _mm256_store_si256(reinterpret_cast<__m256i*>(destination + done), a);
    _mm256_store_si256(reinterpret_cast<__m256i*>(destination + done + 32), b);
    _mm256_store_si256(reinterpret_cast<__m256i*>(destination + done + 64), c);
    _mm256_store_si256(reinterpret_cast<__m256i*>(destination + done + 96), d);
  }
  for (; done + 32 <= size; done += 32) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(destination + done), Load(from + done));
  }
  if (done < size) Store(destination + size - 32, Load(from + size - 32));
}

// Pixels to skip before the destination reaches a 32-byte boundary, or 0 when it never does
// (a 16- or 32-bit row at an odd or unaligned address just stays unaligned).
static inline std::uint32_t PixelsToAlignment(const std::uint8_t* destination,
                                              std::uint32_t bytesPerPixel) {
  std::uint32_t gap = (0u - static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(destination))) & 31;
  if (bytesPerPixel == 3) return (gap * 11) & 31;  // 3 * 11 = 33, which is 1 modulo 32
  return gap % bytesPerPixel == 0 ? gap / bytesPerPixel : 0;
}

// Converts count pixels, a whole number of steps of kStep pixels: the first step where the row
// starts, then steps whose stores are aligned, then a last step that ends where the row ends.
template <void (*Step)(const std::uint8_t*, std::uint8_t*), std::uint32_t kStep,
          std::uint32_t kBytesPerPixel>
static inline void StepRow(const std::uint32_t* source, std::uint8_t* destination,
                           std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  std::uint32_t i = PixelsToAlignment(destination, kBytesPerPixel);
  if (i != 0) Step(from, destination);
  for (; i + kStep <= count; i += kStep) {
    Step(from + static_cast<std::size_t>(i) * 4, destination + static_cast<std::size_t>(i) * kBytesPerPixel);
  }
  if (i < count) {
    std::size_t last = count - kStep;
    Step(from + last * 4, destination + last * kBytesPerPixel);
  }
}

// Eight pixels, red and blue exchanged, the extra byte cleared.
static inline void StepXBGR32(const std::uint8_t* from, std::uint8_t* to) {
  const __m256i swap = LaneShuffle(2, 1, 0, kZero, 6, 5, 4, kZero, 10, 9, 8, kZero, 14, 13, 12,
                                   kZero);
  Store(to, _mm256_shuffle_epi8(Load(from), swap));
}

// Thirty-two pixels to 96 bytes in three stores. The byte shuffle closes each lane's four
// pixels up to 12 bytes (dwords 0-2 and 4-6 of the register, 3 and 7 zero); the dword
// permutations then place each register's six dwords where its output stores need them, so
// that each store is a blend of two permuted registers.
static inline void Pack96(const std::uint8_t* from, std::uint8_t* to, __m256i closeUp) {
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

static inline void StepRGB24(const std::uint8_t* from, std::uint8_t* to) {
  Pack96(from, to, LaneShuffle(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, kZero, kZero, kZero, kZero));
}

static inline void StepBGR24(const std::uint8_t* from, std::uint8_t* to) {
  Pack96(from, to, LaneShuffle(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, kZero, kZero, kZero, kZero));
}

// Sixteen pixels to sixteen 16-bit values by multiplying instead of shifting. With each channel
// cut to the bits it keeps (red' = red AND 0xF8, green' = green AND 0xFC, blue' = blue AND
// 0xF8), the byte multiply-add forms per pixel the 16-bit sums lowSum and highSum, the word
// multiply-add forms 8 times the output value in each 32-bit lane, and a shift right by 3 leaves
// the value itself (the cut bits make that shift exact). For red-high output:
//   lowSum = blue' + 64 * green', highSum = red', lane = lowSum + 2048 * highSum;
// for blue-high output:
//   lowSum = 32 * blue' + green', highSum = red', lane = 64 * lowSum + highSum.
// No step overflows: the sums stay below 2^14 and the lanes below 2^19. The unsigned pack from
// 32 to 16 bits works within 128-bit lanes, so its 64-bit quarters come out as pixels 0-3,
// 8-11, 4-7, 12-15 and are put back in order.
static inline __m256i Lanes565(__m256i pixels, __m256i byteWeights, __m256i wordWeights) {
  const __m256i keptBits = _mm256_set1_epi32(0x00F8FCF8);
  __m256i sums = _mm256_maddubs_epi16(_mm256_and_si256(pixels, keptBits), byteWeights);
  return _mm256_srli_epi32(_mm256_madd_epi16(sums, wordWeights), 3);
}

static inline void Step565(const std::uint8_t* from, std::uint8_t* to, __m256i byteWeights,
                           __m256i wordWeights) {
  __m256i a = Lanes565(Load(from), byteWeights, wordWeights);
  __m256i b = Lanes565(Load(from + 32), byteWeights, wordWeights);
  Store(to, _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8));
}

static inline void StepRGB565(const std::uint8_t* from, std::uint8_t* to) {
  // Bytes blue, green, red, extra weigh 1, 64, 1, 0; words lowSum, highSum weigh 1, 2048.
  Step565(from, to, _mm256_set1_epi32(0x00014001), _mm256_set1_epi32(0x08000001));
}

static inline void StepBGR565(const std::uint8_t* from, std::uint8_t* to) {
  // Bytes blue, green, red, extra weigh 32, 1, 1, 0; words lowSum, highSum weigh 64, 1.
  Step565(from, to, _mm256_set1_epi32(0x00010120), _mm256_set1_epi32(0x00010040));
}

// A row of Step's kStep-pixel steps, of any width.
template <void (*Step)(const std::uint8_t*, std::uint8_t*), std::uint32_t kStep,
          std::uint32_t kBytesPerPixel>
constexpr RowConverter kStepRow =
    AnyWidth<StepRow<Step, kStep, kBytesPerPixel>, kStep, kBytesPerPixel>;

const ConverterRows kAvx2Rows = {AnyWidth<Avx2RowXRGB32, 8, 4>,     kStepRow<StepXBGR32, 8, 4>,
                                 kStepRow<StepRGB24, 32, 3>,        kStepRow<StepBGR24, 32, 3>,
                                 kStepRow<StepRGB565, 16, 2>,       kStepRow<StepBGR565, 16, 2>};

#endif
