// The show loop at its edges: a pass that jumps straight onto a boundary of the schedule, a first
// pass that comes late, the elapsed time itself wrapping after 2^32 ms, and the bytes of a white
// frame and of a picture as they reach the surface.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "show/show.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/show/show_harness.h"
#include "tools/pictures.h"

namespace {

class ShowEdgesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(show.Ready()); }

  ShowHarness show;
};

TEST_F(ShowEdgesTest, APassFromImageOneStraightToEightSecondsKeepsImageOne) {
  // A pass that took four seconds (a stalled machine) lands on exactly 8000 ms, where none of the
  // schedule's three tests matches: the copy takes image 1, still current from the pass before.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 153, 8000}), 0);
  const std::vector<Seen> expected = {Seen::kBlack, Seen::kWhite, Seen::kImage1, Seen::kWhite,
                                      Seen::kImage1};
  EXPECT_EQ(show.Screens(), expected);
}

TEST_F(ShowEdgesTest, AFirstPassThatComesLateShowsImageOneCurrentFromTheStart) {
  // Four seconds go by between the show's start and its first pass's reading of the show time
  // (the clock moves two seconds with each reading until the first pass has been seen): that
  // pass and the next land on exactly 4000 and 8000 ms, where the schedule chooses nothing, so
  // the picture copied is image 1, current from the start.
  show.SetClockStep(2000);
  show.SetPassHook([](size_t pass) {
    if (pass == 0) platform::ClockStepPerReading(0);
  });
  ASSERT_EQ(show.Run(100, {0, 8000}), 0);
  const std::vector<Seen> expected = {Seen::kWhite, Seen::kImage1};
  EXPECT_EQ(show.Screens(), expected);
}

TEST_F(ShowEdgesTest, AfterTheElapsedTimeWrapsExactlyFourSecondsKeepsImageThree) {
  // 2^32 ms into the show the elapsed time wraps to 0. A pass that then lands on exactly 4000 ms
  // matches none of the tests: image 3, current before the wrap, stays.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 9000, 0xFFFFFF00u, 0xFFFFFFA0u, 4000}), 0);
  const std::vector<Seen> expected = {Seen::kBlack, Seen::kWhite, Seen::kImage1, Seen::kWhite,
                                      Seen::kImage3, Seen::kWhite, Seen::kImage3};
  EXPECT_EQ(show.Screens(), expected);
}

TEST_F(ShowEdgesTest, AfterTheElapsedTimeWrapsTheScheduleStartsAgainAtImageOne) {
  ASSERT_EQ(show.Run(100, {0, 51, 102, 9000, 0xFFFFFF00u, 0xFFFFFFA0u, 100}), 0);
  const std::vector<Seen> expected = {Seen::kBlack, Seen::kWhite, Seen::kImage1, Seen::kWhite,
                                      Seen::kImage3, Seen::kWhite, Seen::kImage1};
  EXPECT_EQ(show.Screens(), expected);
}

TEST_F(ShowEdgesTest, WhiteIsEveryByteFFAndAPictureEveryByteOfItsFileOnTheSurface) {
  // The 32-bit straight layout carries the extra byte to the surface, so the surface shows the
  // whole frame: white with its extra byte set too, and the picture's own extra bytes.
  const std::vector<std::uint32_t> picture = DrawPicture(1);
  std::vector<std::string> problems;
  show.SetPassHook([&](size_t pass) {
    const platform::SurfaceView front = platform::FrontSurfaceView();
    if (front.bytes == nullptr || front.bytesPerPixel != 4 || front.width != kShowWidth ||
        front.height != kShowHeight) {
      problems.push_back("pass " + std::to_string(pass) + ": no 32-bit front surface");
      return;
    }
    // Pass 0 shows the cleared frame, passes 1 and 3 white, pass 2 image 1.
    for (int y = 0; y < kShowHeight; y++) {
      for (int x = 0; x < kShowWidth; x++) {
        std::uint32_t shown;
        std::memcpy(&shown, front.bytes + y * front.pitch + x * 4, 4);
        const std::uint32_t wanted =
            pass == 0 ? 0u : pass % 2 == 1 ? 0xFFFFFFFFu : picture[y * kShowWidth + x];
        if (shown != wanted) {
          char text[128];
          std::snprintf(text, sizeof text, "pass %zu: pixel %d,%d is 0x%08X, expected 0x%08X",
                        pass, x, y, shown, wanted);
          problems.push_back(text);
          return;
        }
      }
    }
  });
  ASSERT_EQ(show.Run(100, {0, 51, 102, 153}), 0);
  const std::vector<Seen> expected = {Seen::kBlack, Seen::kWhite, Seen::kImage1, Seen::kWhite};
  EXPECT_EQ(show.Screens(), expected);
  for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

}  // namespace
