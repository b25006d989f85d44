// What gentle viewing costs per presented frame at the show's 320x240: taking the picture (a
// strobe change every third frame, so a third of them are decoded and summed) and drawing the
// output, as the host does at each present, against a plain copy of the same picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/host/gentle.h"

namespace {

using platform::host::Picture;
using platform::host::PixelLayout;

const int kWidth = 320;
const int kHeight = 240;

std::vector<std::uint32_t> Pattern(std::uint32_t seed) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
  for (size_t i = 0; i < pixels.size(); i++)
    pixels[i] = static_cast<std::uint32_t>(i * 2654435761u + seed) & 0xFFFFFF;
  return pixels;
}

// Presents at 60 Hz, a new picture every third frame, drawing each one.
void BM_GentlePresent(benchmark::State& state) {
  const std::vector<std::uint32_t> white(static_cast<size_t>(kWidth) * kHeight, 0xFFFFFF);
  const std::vector<std::uint32_t> picture = Pattern(12345);
  std::vector<std::uint32_t> out(white.size());
  platform::host::ResetGentle();
  std::uint32_t now = 1000;
  int frame = 0;
  for (auto _ : state) {
    const bool change = frame % 3 == 0;
    const std::vector<std::uint32_t>& shown = (frame / 3) % 2 ? white : picture;
    Picture presented{reinterpret_cast<const std::uint8_t*>(shown.data()), kWidth * 4, kWidth,
                      kHeight, PixelLayout::kXRGB32, !change};
    platform::host::GentleTake(presented, now);
    platform::host::GentleDraw(now, reinterpret_cast<std::uint8_t*>(out.data()), kWidth * 4);
    benchmark::DoNotOptimize(out.data());
    now += 17;
    frame++;
  }
  platform::host::ResetGentle();
}
BENCHMARK(BM_GentlePresent)->Unit(benchmark::kMicrosecond);

// What the default screen does with the picture instead: hands its bytes on.
void BM_PlainCopy(benchmark::State& state) {
  const std::vector<std::uint32_t> picture = Pattern(12345);
  std::vector<std::uint32_t> out(picture.size());
  for (auto _ : state) {
    std::memcpy(out.data(), picture.data(), picture.size() * 4);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
