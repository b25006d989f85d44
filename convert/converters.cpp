// The six row converters and the kernel family they run on. The family is chosen once, into a
// table of its rows: when a converter is first selected, or first called. Each converter then
// goes straight to its layout's row in that table.
#include "convert/kernels.h"

// A converter that runs before any family is chosen chooses the fastest, then converts.
template <RowConverter kConverter>
static void ChooseThenConvert(const FramePixel* source, std::uint8_t* destination,
                              std::uint32_t count) {
  UseConverterKernels(kKernelsFastest);
  kConverter(source, destination, count);
}

// The converters' module state: the chosen family and its rows. The rows start out as the
// choosing ones rather than zero, so that no conversion has to ask whether a family is chosen.
struct ConverterState {
  int kernels;
  ConverterRows rows;
};

static ConverterState converterState = {
    kKernelsNone,
    {ChooseThenConvert<ConvertRowXRGB32>, ChooseThenConvert<ConvertRowXBGR32>,
     ChooseThenConvert<ConvertRowRGB24>, ChooseThenConvert<ConvertRowBGR24>,
     ChooseThenConvert<ConvertRowRGB565>, ChooseThenConvert<ConvertRowBGR565>}};

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

// Each converter runs its layout's row in the table: one rule, six names.
#define CONVERTER(name, row)                                                                 \
  void name(const FramePixel* source, std::uint8_t* destination, std::uint32_t count) {     \
    converterState.rows.row(source, destination, count);                                    \
  }
CONVERTER(ConvertRowXRGB32, xrgb32)
CONVERTER(ConvertRowXBGR32, xbgr32)
CONVERTER(ConvertRowRGB24, rgb24)
CONVERTER(ConvertRowBGR24, bgr24)
CONVERTER(ConvertRowRGB565, rgb565)
CONVERTER(ConvertRowBGR565, bgr565)
#undef CONVERTER
