// The six row converters and the kernel family they run on. The family is chosen once, when a
// converter is first selected (or first called): the widest kernels the build and processor
// offer. Each converter then passes its row to that family's row for its layout.
#include "convert/kernels.h"

// One family's row for each layout.
struct ConverterRows {
  RowConverter xrgb32, xbgr32, rgb24, bgr24, rgb565, bgr565;
};

static const ConverterRows kReferenceRows = {ReferenceRowXRGB32, ReferenceRowXBGR32,
                                             ReferenceRowRGB24,  ReferenceRowBGR24,
                                             ReferenceRowRGB565, ReferenceRowBGR565};

#if defined(QUENTHOR_HAS_MMX_KERNELS)
// The two swapped layouts of 32 and 24 bits stay per-pixel loops.
static const ConverterRows kMmxRows = {MmxRowXRGB32,  ReferenceRowXBGR32, MmxRowRGB24,
                                       ReferenceRowBGR24, MmxRowRGB565, MmxRowBGR565};
#endif

#if defined(QUENTHOR_HAS_WIDE_KERNELS)
static const ConverterRows kSse2Rows = {Sse2RowXRGB32, Sse2RowXBGR32,  Sse2RowRGB24,
                                        Sse2RowBGR24,  Sse2RowRGB565, Sse2RowBGR565};
static const ConverterRows kAvx2Rows = {Avx2RowXRGB32, Avx2RowXBGR32,  Avx2RowRGB24,
                                        Avx2RowBGR24,  Avx2RowRGB565, Avx2RowBGR565};
#endif

// The converters' module state: the chosen family and its rows. Zero until the first choice.
struct ConverterState {
  int kernels;
  ConverterRows rows;
};

static ConverterState converterState;

int FastestConverterKernels() {
#if defined(QUENTHOR_HAS_WIDE_KERNELS)
  // The processor's answer includes whether the system saves the 256-bit registers.
  return __builtin_cpu_supports("avx2") ? kKernelsAvx2 : kKernelsSse2;
#elif defined(QUENTHOR_HAS_MMX_KERNELS)
  return kKernelsMmx;
#else
  return kKernelsReference;
#endif
}

int UseConverterKernels(int kernels) {
  if (kernels == kKernelsFastest) kernels = FastestConverterKernels();
  const ConverterRows* rows = nullptr;
  switch (kernels) {
    case kKernelsReference:
      rows = &kReferenceRows;
      break;
#if defined(QUENTHOR_HAS_MMX_KERNELS)
    case kKernelsMmx:
      rows = &kMmxRows;
      break;
#endif
#if defined(QUENTHOR_HAS_WIDE_KERNELS)
    case kKernelsSse2:
      rows = &kSse2Rows;
      break;
    case kKernelsAvx2:
      if (__builtin_cpu_supports("avx2")) rows = &kAvx2Rows;
      break;
#endif
    default:
      break;
  }
  if (rows == nullptr) return 0;
  converterState.rows = *rows;
  converterState.kernels = kernels;
  return 1;
}

int ActiveConverterKernels() { return converterState.kernels; }

// A converter that runs before any selection chooses the family itself.
static inline const ConverterRows& Rows() {
  if (converterState.kernels == kKernelsNone) UseConverterKernels(kKernelsFastest);
  return converterState.rows;
}

void ConvertRowXRGB32(const std::uint32_t* source, std::uint8_t* destination,
                      std::uint32_t count) {
  Rows().xrgb32(source, destination, count);
}

void ConvertRowXBGR32(const std::uint32_t* source, std::uint8_t* destination,
                      std::uint32_t count) {
  Rows().xbgr32(source, destination, count);
}

void ConvertRowRGB24(const std::uint32_t* source, std::uint8_t* destination,
                     std::uint32_t count) {
  Rows().rgb24(source, destination, count);
}

void ConvertRowBGR24(const std::uint32_t* source, std::uint8_t* destination,
                     std::uint32_t count) {
  Rows().bgr24(source, destination, count);
}

void ConvertRowRGB565(const std::uint32_t* source, std::uint8_t* destination,
                      std::uint32_t count) {
  Rows().rgb565(source, destination, count);
}

void ConvertRowBGR565(const std::uint32_t* source, std::uint8_t* destination,
                      std::uint32_t count) {
  Rows().bgr565(source, destination, count);
}
