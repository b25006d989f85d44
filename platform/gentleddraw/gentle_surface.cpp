#include "platform/gentleddraw/gentle_surface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "convert/convert.h"
#include "platform/host/gentle.h"

namespace platform {
namespace gentleddraw {
namespace {

using host::PixelLayout;

// The screen's name for the bytes each of the show's converters writes: the converter chosen
// for a pixel format names its layout, so the formats are told apart in one place only.
struct ConvertedLayout {
  RowConverter converter;
  PixelLayout layout;
};
const ConvertedLayout kLayouts[] = {
    {ConvertRowXRGB32, PixelLayout::kXRGB32}, {ConvertRowXBGR32, PixelLayout::kXBGR32},
    {ConvertRowRGB24, PixelLayout::kRGB24},   {ConvertRowBGR24, PixelLayout::kBGR24},
    {ConvertRowRGB565, PixelLayout::kRGB565}, {ConvertRowBGR565, PixelLayout::kBGR565},
};

// The filter's output, 0x00RRGGBB, before it is converted into the surface.
struct Output {
  std::uint32_t* pixels = nullptr;
  size_t size = 0;
};
Output output;

bool OutputFor(int width, int height) {
  const size_t size = static_cast<size_t>(width) * height;
  if (output.size == size) return true;
  std::free(output.pixels);
  output.pixels = static_cast<std::uint32_t*>(std::malloc(size * 4));
  output.size = output.pixels ? size : 0;
  return output.pixels != nullptr;
}

// Fails closed: a picture that can't be filtered is never shown as it is; black instead.
int Blank(const LockedSurface& surface) {
  const size_t rowBytes = static_cast<size_t>(surface.width) * (surface.bitCount / 8);
  for (int y = 0; y < surface.height; y++)
    std::memset(surface.bytes + static_cast<size_t>(y) * surface.pitch, 0, rowBytes);
  return 0;
}

}  // namespace

int GentleSurface(const LockedSurface& surface, std::uint32_t now) {
  if (!surface.bytes || surface.width <= 0 || surface.height <= 0) return 0;
  const RowConverter converter = SelectRowConverter(surface.bitCount, surface.redMask,
                                                    surface.greenMask, surface.blueMask);
  const ConvertedLayout* found = nullptr;
  for (const ConvertedLayout& known : kLayouts)
    if (known.converter == converter) found = &known;
  if (!converter || !found) return Blank(surface);

  // Each flip's picture counts as new: comparing it with the last would cost as much as taking it.
  const host::Picture picture{surface.bytes, surface.pitch,  surface.width,
                              surface.height, found->layout, false};
  if (!OutputFor(surface.width, surface.height) || !host::GentleTake(picture, now)) {
    std::fprintf(stderr, "Quenthor: no memory for gentle viewing; the screen stays black\n");
    return Blank(surface);
  }
  host::GentleDraw(now, reinterpret_cast<std::uint8_t*>(output.pixels), surface.width * 4);
  const std::uint32_t* row = output.pixels;
  std::uint8_t* into = surface.bytes;
  for (int y = 0; y < surface.height; y++) {
    converter(row, into, static_cast<std::uint32_t>(surface.width));
    row += surface.width;
    into += surface.pitch;
  }
  return 1;
}

void ForgetGentleSurface() {
  host::ResetGentle();
  std::free(output.pixels);
  output = Output();
}

}  // namespace gentleddraw
}  // namespace platform
