// The choice of converter from a display surface's pixel format.
#include "convert/kernels.h"

// A layout the show supports: its exact bit count and colour masks, and its converter.
struct SupportedFormat {
  std::uint32_t bitCount, redMask, greenMask, blueMask;
  RowConverter converter;
};

// The red mask tells the two layouts of one depth apart.
static const SupportedFormat kSupportedFormats[] = {
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, ConvertRowXRGB32},
    {32, 0x000000FF, 0x0000FF00, 0x00FF0000, ConvertRowXBGR32},
    {24, 0xFF0000, 0x00FF00, 0x0000FF, ConvertRowRGB24},
    {24, 0x0000FF, 0x00FF00, 0xFF0000, ConvertRowBGR24},
    {16, 0xF800, 0x07E0, 0x001F, ConvertRowRGB565},
    {16, 0x001F, 0x07E0, 0xF800, ConvertRowBGR565},
};

RowConverter SelectRowConverter(std::uint32_t bitCount, std::uint32_t redMask,
                                std::uint32_t greenMask, std::uint32_t blueMask) {
  // The kernel family is settled here, once, before the display starts presenting frames.
  if (ActiveConverterKernels() == kKernelsNone) UseConverterKernels(kKernelsFastest);

  // Exact matches only.
  for (const SupportedFormat& format : kSupportedFormats) {
    if (format.bitCount == bitCount && format.redMask == redMask &&
        format.greenMask == greenMask && format.blueMask == blueMask) {
      return format.converter;
    }
  }
  return nullptr;
}
