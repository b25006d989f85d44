// The real show on a virtual display, watched and driven as a person would.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/screen_classifier.h"
#include "tests/support/show_checks.h"
#include "tests/support/virtual_display.h"

namespace {

const int kScreenWidth = 640, kScreenHeight = 480;  // the show's 320x240, doubled
const int kScale = 2;

// Waits until the show has something other than black on the screen.
bool WaitForPicture(const VirtualDisplay& display, int tolerance) {
  auto start = std::chrono::steady_clock::now();
  while (SecondsSince(start) < 10) {
    Seen seen = Classify(display.Screenshot(), kScale, tolerance);
    if (seen == Seen::kWhite || seen == Seen::kImage1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class EndToEnd : public ::testing::Test {
 protected:
  VirtualDisplay display{kScreenWidth, kScreenHeight};
  void SetUp() override { ASSERT_TRUE(display.Ready()) << "Xvfb didn't start"; }
};

void WatchTheStrobe(const VirtualDisplay& display, ShowProcess& show, int tolerance) {
  auto start = std::chrono::steady_clock::now();
  StrobeTimeline seen;
  while (SecondsSince(start) < 10.5)
    seen.Add(SecondsSince(start), Classify(display.Screenshot(), kScale, tolerance));
  ASSERT_TRUE(show.Running());
  display.PressKey("Escape");
  ExpectEndsWith(show, 0, 2000);

  SCOPED_TRACE(seen.Log());
  EXPECT_GT(seen.Count(Seen::kWhite), 5);
  EXPECT_GT(seen.Count(Seen::kImage1), 2);
  EXPECT_GT(seen.Count(Seen::kImage2), 2);
  EXPECT_GT(seen.Count(Seen::kImage3), 2);
  // Show time starts a little after the process, so each image appears no earlier than its
  // second on our clock and gives way within a second and a half of it.
  EXPECT_LT(seen.Last(Seen::kImage1), 5.5);
  EXPECT_GT(seen.First(Seen::kImage2), 4.0);
  EXPECT_LT(seen.Last(Seen::kImage2), 9.5);
  EXPECT_GT(seen.First(Seen::kImage3), 8.0);
  // Nothing but white, the pictures and the first black: no torn or miscoloured frames to speak of.
  EXPECT_LE(seen.Count(Seen::kOther), seen.Samples() / 20);
}

TEST_F(EndToEnd, StrobeShowsWhiteAndThePicturesInTheirColoursAndOrder) {
  ShowProcess show(display);
  WatchTheStrobe(display, show, 0);
}

TEST_F(EndToEnd, SixteenBitScreenShowsTheSameStrobe) {
  ShowProcess show(display, {"QUENTHOR_DISPLAY_LAYOUT=rgb565"});
  WatchTheStrobe(display, show, 8);
}

TEST_F(EndToEnd, EscapeEndsTheShowWithinASecond) {
  ShowProcess show(display);
  ASSERT_TRUE(WaitForPicture(display, 0));
  display.PressKey("Escape");
  ExpectEndsWith(show, 0, 1000);
}

TEST_F(EndToEnd, CloseRequestEndsTheShowWithinASecond) {
  ShowProcess show(display);
  ASSERT_TRUE(WaitForPicture(display, 0));
  ASSERT_TRUE(display.RequestClose("Quenthor"));
  ExpectEndsWith(show, 0, 1000);
}

TEST_F(EndToEnd, OtherKeysDontEndTheShowAndTheSongIsHeard) {
  ShowProcess show(display);
  ASSERT_TRUE(WaitForPicture(display, 0));
  for (const char* key : {"space", "Return", "a", "Left", "1"}) display.PressKey(key);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(show.Running());
  display.PressKey("Escape");
  ExpectEndsWith(show, 0, 1000);

  // The sound as mixed: 16-bit stereo, and not silent.
  std::FILE* file = std::fopen(show.SoundFile().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::vector<std::int16_t> samples(44100 * 2 * 2);
  samples.resize(std::fread(samples.data(), 2, samples.size(), file));
  std::fclose(file);
  ASSERT_GT(samples.size(), 44100u);
  ExpectHeard(samples);
}

TEST_F(EndToEnd, NoDisplayServerEndsWithStatusOneSilently) {
  // No display server named at all, as on a machine without one.
  ShowProcess show(display, {"DISPLAY="});
  int status = -1;
  ASSERT_TRUE(show.WaitForExit(10000, &status));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(show.Printed(), "");
}

TEST_F(EndToEnd, NoAudioOutputPrintsTheSoundLibrarysMessageAndEndsWithStatusOne) {
  ShowProcess show(display, {"SDL_AUDIODRIVER=no-such-driver"});
  int status = -1;
  ASSERT_TRUE(show.WaitForExit(10000, &status));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(show.Printed(),
            "This command failed because FSOUND_Init was not called or called properly\n");
}

TEST_F(EndToEnd, EscapeDuringStartUpEndsTheShowWithStatusZero) {
  // Escape pressed again and again from the moment the show starts: the first one the window
  // can take ends it, whether the loop has begun or not.
  auto start = std::chrono::steady_clock::now();
  ShowProcess show(display);
  int status = -1;
  bool ended = false;
  while (!ended && SecondsSince(start) < 5) {
    display.PressKey("Escape");
    ended = show.WaitForExit(20, &status);
  }
  ASSERT_TRUE(ended);
  EXPECT_EQ(status, 0);
  EXPECT_LT(SecondsSince(start), 3.0);
}

}  // namespace
