// Hours of show in seconds: the manual clock runs an accelerated show across the tick
// counter's wrap at 2^32 ms, and the strobe and the process's memory must hold steady.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "show/show.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/show/show_harness.h"
#include "tools/pictures.h"

namespace {

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

TEST(LongRun, HoursOfShowAcrossTheTickWrapKeepTheStrobeAndTheMemoryFlat) {
  ShowHarness show;
  ASSERT_TRUE(show.Ready());
  const std::uint32_t kHour = 3600u * 1000u;
  // The counter wraps four hours into a show of eight. Mostly a pass every 251 ms, so
  // every pass changes phase; around the wrap and at the end, a pass every 17 ms as at 60 Hz.
  const std::uint32_t start = 0u - 4u * kHour;
  std::vector<std::uint32_t> times;
  const std::uint32_t wrapAt = 4u * kHour;
  for (std::uint32_t t = 0; t < 8 * kHour; t += (t > wrapAt - 2000 && t < wrapAt + 2000) ? 17 : 251)
    times.push_back(t);
  for (std::uint32_t t = 8 * kHour; t < 8 * kHour + 2000; t += 17) times.push_back(t);

  // One pixel tells white from image 3 at the top middle of the picture.
  const std::vector<std::uint32_t> picture = DrawPicture(3);
  const int x = 160, y = 20;
  const std::uint32_t imagePixel = picture[y * kShowWidth + x] & 0xFFFFFF;
  ASSERT_NE(imagePixel, 0xFFFFFFu);

  // The phases are counted as they go, not kept: the test itself must not grow either.
  size_t phases = 0, shortPhases = 0;
  std::uint32_t phaseStart = 0;
  bool phaseWhite = false;
  int wrongPixels = 0;
  long residentEarly = 0;
  show.SetRecording(false);
  show.SetPassHook([&](size_t index) {
    const std::uint32_t elapsed = times[index];
    const std::uint32_t shown = platform::ScreenPixel(x, y);
    const bool white = shown == 0xFFFFFFu;
    if (elapsed > 8100 && !white && shown != imagePixel) wrongPixels++;
    if (index == 0 || white != phaseWhite) {
      if (index > 0 && elapsed - phaseStart <= 50) shortPhases++;
      phases++;
      phaseStart = elapsed;
      phaseWhite = white;
    }
    if (elapsed >= 10u * 60u * 1000u && residentEarly == 0) residentEarly = ResidentKilobytes();
  });
  ASSERT_EQ(show.Run(start, times), 0);
  const long residentLate = ResidentKilobytes();

  EXPECT_EQ(wrongPixels, 0);
  // Every pass 251 ms apart changes the phase; at 60 Hz one phase spans three or four passes.
  EXPECT_EQ(shortPhases, 0u);
  EXPECT_GT(phases, times.size() * 9 / 10);
  // Nothing accumulates pass by pass: 100,000 passes later the process holds what it held.
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(residentLate - residentEarly, 1024) << residentEarly << " kB, then " << residentLate
                                                << " kB";
#endif
  RecordProperty("resident_kb_after_10_min", std::to_string(residentEarly));
  RecordProperty("resident_kb_after_8_h", std::to_string(residentLate));
  std::printf("passes %zu, phases %zu, resident %ld kB after 10 simulated minutes, %ld kB after "
              "8 hours\n",
              times.size(), phases, residentEarly, residentLate);
}

}  // namespace
