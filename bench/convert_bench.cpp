// The row converters on one 320x240 frame, converted as the show does it (240 row calls of 320
// pixels, buffers allocated once), beside the floors (memcpy of the input bytes and of the
// output bytes) and the peers (SDL2's SDL_ConvertPixels and libyuv, one call per frame each).
// Every peer's output is checked against the reference before it is timed; one that differs
// is reported as "different". At the end a table gives every median as a ratio to memcpy of
// the input bytes, in processor time (steadier than wall time on a shared machine).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "convert/kernels.h"
#include "tests/support/kernel_names.h"

namespace {

const int kWidth = 320;
const int kHeight = 240;
const int kPixels = kWidth * kHeight;
const int kInputBytes = kPixels * 4;

struct Layout {
  const char* name;
  RowConverter converter;
  RowConverter reference;
  int bytesPerPixel;
  std::uint32_t sdlSource;       // SDL's name for the frame's layout (0: no SDL peer)
  std::uint32_t sdlDestination;  // SDL's name for this layout
  const char* yuvName;           // libyuv's matching function, or null
  int (*yuv)(const std::uint8_t*, int, std::uint8_t*, int, int, int);
};

const Layout kLayouts[] = {
    {"XRGB32", ConvertRowXRGB32, ReferenceRowXRGB32, 4, SDL_PIXELFORMAT_ARGB8888,
     SDL_PIXELFORMAT_ARGB8888, "ARGBCopy", libyuv::ARGBCopy},
    // libyuv's ARGBToABGR keeps the extra byte: no libyuv function gives this layout.
    {"XBGR32", ConvertRowXBGR32, ReferenceRowXBGR32, 4, SDL_PIXELFORMAT_XRGB8888,
     SDL_PIXELFORMAT_XBGR8888, nullptr, nullptr},
    {"RGB24", ConvertRowRGB24, ReferenceRowRGB24, 3, SDL_PIXELFORMAT_XRGB8888,
     SDL_PIXELFORMAT_BGR24, "ARGBToRGB24", libyuv::ARGBToRGB24},
    {"BGR24", ConvertRowBGR24, ReferenceRowBGR24, 3, SDL_PIXELFORMAT_XRGB8888,
     SDL_PIXELFORMAT_RGB24, "ARGBToRAW", libyuv::ARGBToRAW},
    {"RGB565", ConvertRowRGB565, ReferenceRowRGB565, 2, SDL_PIXELFORMAT_XRGB8888,
     SDL_PIXELFORMAT_RGB565, "ARGBToRGB565", libyuv::ARGBToRGB565},
    // libyuv has no blue-high 5-6-5.
    {"BGR565", ConvertRowBGR565, ReferenceRowBGR565, 2, SDL_PIXELFORMAT_XRGB8888,
     SDL_PIXELFORMAT_BGR565, nullptr, nullptr},
};

// The buffers, allocated once and aligned to 64 bytes as a display surface would be: the frame,
// one output frame, and the reference output.
struct Buffers {
  std::uint32_t* frame;
  std::uint8_t* output;
  std::uint8_t* expected;
};

Buffers& TheBuffers() {
  static Buffers buffers;
  if (buffers.frame == nullptr) {
    buffers.frame = static_cast<std::uint32_t*>(std::aligned_alloc(64, kInputBytes));
    buffers.output = static_cast<std::uint8_t*>(std::aligned_alloc(64, kInputBytes));
    buffers.expected = static_cast<std::uint8_t*>(std::aligned_alloc(64, kInputBytes));
    std::mt19937 random(2024);
    for (int i = 0; i < kPixels; ++i) buffers.frame[i] = random();
  }
  return buffers;
}

void ConvertFrame(RowConverter converter, const std::uint32_t* frame, std::uint8_t* output,
                  int bytesPerPixel) {
  for (int row = 0; row < kHeight; ++row) {
    converter(frame + row * kWidth, output + row * kWidth * bytesPerPixel, kWidth);
  }
}

// The reference output of layout for the frame, in buffers.expected.
void ComputeExpected(const Layout& layout) {
  Buffers& b = TheBuffers();
  ConvertFrame(layout.reference, b.frame, b.expected, layout.bytesPerPixel);
}

int OutputMatches(const Layout& layout) {
  Buffers& b = TheBuffers();
  return std::memcmp(b.output, b.expected,
                     static_cast<std::size_t>(kPixels) * layout.bytesPerPixel) == 0;
}

void SetBytes(benchmark::State& state, std::int64_t bytesPerFrame) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytesPerFrame);
}

void Memcpy(benchmark::State& state, int bytes) {
  Buffers& b = TheBuffers();
  for (auto _ : state) {
    std::memcpy(b.output, b.frame, bytes);
    benchmark::ClobberMemory();
  }
  SetBytes(state, bytes);
}

void Ours(benchmark::State& state, const Layout* layout, int kernels) {
  Buffers& b = TheBuffers();
  if (!UseConverterKernels(kernels)) {
    state.SkipWithError("not on this processor");
    return;
  }
  ComputeExpected(*layout);
  std::memset(b.output, 0, kInputBytes);
  ConvertFrame(layout->converter, b.frame, b.output, layout->bytesPerPixel);
  if (!OutputMatches(*layout)) {
    state.SkipWithError("different");
    return;
  }
  for (auto _ : state) {
    ConvertFrame(layout->converter, b.frame, b.output, layout->bytesPerPixel);
    benchmark::ClobberMemory();
  }
  SetBytes(state, kInputBytes);
}

void Sdl(benchmark::State& state, const Layout* layout) {
  Buffers& b = TheBuffers();
  int pitch = kWidth * layout->bytesPerPixel;
  auto convert = [&]() {
    return SDL_ConvertPixels(kWidth, kHeight, layout->sdlSource, b.frame, kWidth * 4,
                             layout->sdlDestination, b.output, pitch);
  };
  ComputeExpected(*layout);
  std::memset(b.output, 0, kInputBytes);
  if (convert() != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  if (!OutputMatches(*layout)) {
    state.SkipWithError("different");
    return;
  }
  for (auto _ : state) {
    convert();
    benchmark::ClobberMemory();
  }
  SetBytes(state, kInputBytes);
}

void Yuv(benchmark::State& state, const Layout* layout) {
  Buffers& b = TheBuffers();
  int pitch = kWidth * layout->bytesPerPixel;
  const std::uint8_t* frame = reinterpret_cast<const std::uint8_t*>(b.frame);
  ComputeExpected(*layout);
  std::memset(b.output, 0, kInputBytes);
  if (layout->yuv(frame, kWidth * 4, b.output, pitch, kWidth, kHeight) != 0) {
    state.SkipWithError("failed");
    return;
  }
  if (!OutputMatches(*layout)) {
    state.SkipWithError("different");
    return;
  }
  for (auto _ : state) {
    layout->yuv(frame, kWidth * 4, b.output, pitch, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
  SetBytes(state, kInputBytes);
}

// The columns of the table, in order.
const char* const kColumns[] = {"memcpy-out", "reference", "mmx", "sse2", "fastest", "SDL2",
                                "libyuv"};

void RegisterAll() {
  benchmark::RegisterBenchmark("memcpy-in", Memcpy, kInputBytes);
  for (const Layout& layout : kLayouts) {
    std::string prefix = std::string(layout.name) + "/";
    benchmark::RegisterBenchmark((prefix + "memcpy-out").c_str(), Memcpy,
                                 kPixels * layout.bytesPerPixel);
    // The fastest family (AVX2 where the processor has it) runs through the converters exactly
    // as the show calls them.
    for (int kernels : {kKernelsReference, kKernelsMmx, kKernelsSse2, kKernelsFastest}) {
      benchmark::RegisterBenchmark((prefix + ConverterKernelsName(kernels)).c_str(), Ours,
                                   &layout, kernels);
    }
    benchmark::RegisterBenchmark((prefix + "SDL2").c_str(), Sdl, &layout);
    if (layout.yuv != nullptr) {
      benchmark::RegisterBenchmark((prefix + "libyuv").c_str(), Yuv, &layout);
    }
  }
}

// The console report as usual, and the medians (or the single runs, without repetitions)
// gathered for the table printed at the end.
class RatioTableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& reports) override {
    benchmark::ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
      bool wanted = run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median"
                                                      : run.repetitions <= 1;
      std::string name = run.run_name.function_name;
      if (run.error_occurred) {
        notes_[name] = run.error_message;
      } else if (wanted) {
        nanoseconds_[name] = run.GetAdjustedCPUTime() *
                             (run.time_unit == benchmark::kMicrosecond   ? 1e3
                              : run.time_unit == benchmark::kMillisecond ? 1e6
                              : run.time_unit == benchmark::kSecond      ? 1e9
                                                                         : 1.0);
      }
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    auto found = nanoseconds_.find("memcpy-in");
    if (found == nanoseconds_.end()) return;
    double floor = found->second;
    std::printf("\nOne 320x240 frame; medians as ratios to memcpy of the input bytes "
                "(%.1f us of processor time; lower is faster)\n\n",
                floor / 1e3);
    std::printf("%-7s", "layout");
    for (const char* column : kColumns) std::printf(" %11s", column);
    std::printf("  fastest: within 1.5x memcpy-in; its time / peer's\n");
    for (const Layout& layout : kLayouts) {
      std::printf("%-7s", layout.name);
      for (const char* column : kColumns) std::printf(" %11s", Cell(layout.name, column, floor).c_str());
      std::printf("  %s\n", Verdict(layout.name, floor).c_str());
    }
    std::printf("\n(kernels \"fastest\" runs on: %s)\n",
                ConverterKernelsName(FastestConverterKernels()));
  }

 private:
  std::string Cell(const std::string& layout, const std::string& column, double floor) const {
    std::string name = layout + "/" + column;
    auto time = nanoseconds_.find(name);
    if (time != nanoseconds_.end()) {
      char text[32];
      std::snprintf(text, sizeof text, "%.2f", time->second / floor);
      return text;
    }
    auto note = notes_.find(name);
    if (note == notes_.end()) return "none";
    return note->second == "different" ? "different" : "n/a";
  }

  // Whether the fastest kernel is within 1.5 times memcpy of the input bytes, and its time as
  // a multiple of each matching peer's (below 1: faster).
  std::string Verdict(const std::string& layout, double floor) const {
    auto fastest = nanoseconds_.find(layout + "/fastest");
    if (fastest == nanoseconds_.end()) return "not measured";
    std::string verdict = fastest->second <= 1.5 * floor ? "yes" : "NO";
    for (const char* peer : {"SDL2", "libyuv"}) {
      auto time = nanoseconds_.find(layout + "/" + peer);
      if (time == nanoseconds_.end()) continue;
      char text[64];
      std::snprintf(text, sizeof text, "; %.2fx %s", fastest->second / time->second, peer);
      verdict += text;
    }
    return verdict;
  }

  std::map<std::string, double> nanoseconds_;
  std::map<std::string, std::string> notes_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  RatioTableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
