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

// Window mode on a desktop larger than its window: the window starts at 640x480 (the show's
// 320x240, doubled) and is resized to kResized, where the largest whole scale is 3 (a 960x720
// picture, 70 and 20 pixels in from the sides).
const int kDesktopWidth = 1600, kDesktopHeight = 1200;
const int kResizedWidth = 1100, kResizedHeight = 760;

// What the window shows inside, the picture at the given scale centred in it; black is false
// when anything around the picture isn't black.
Seen SeenInWindow(const VirtualDisplay& display, int scale, bool* black) {
  int left, top, width, height;
  *black = false;
  if (!display.FindWindow("Quenthor", &left, &top, &width, &height)) return Seen::kOther;
  const std::vector<std::uint32_t> window = display.Screenshot(left, top, width, height);
  if (window.size() != static_cast<size_t>(width) * height) return Seen::kOther;
  const int pictureWidth = 320 * scale, pictureHeight = 240 * scale;
  const int x0 = (width - pictureWidth) / 2, y0 = (height - pictureHeight) / 2;
  if (x0 < 0 || y0 < 0) return Seen::kOther;
  std::vector<std::uint32_t> picture;
  *black = true;
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      const std::uint32_t pixel = window[static_cast<size_t>(y) * width + x];
      if (x >= x0 && x < x0 + pictureWidth && y >= y0 && y < y0 + pictureHeight)
        picture.push_back(pixel);
      else if (pixel != 0)
        *black = false;
    }
  return Classify(picture, scale, 0);
}

// Watches the window for a while: true once it has shown both white and one of our pictures at
// the scale, with black all around.
bool SeesTheStrobeInWindow(const VirtualDisplay& display, int scale) {
  bool white = false, picture = false;
  auto start = std::chrono::steady_clock::now();
  while (!(white && picture) && SecondsSince(start) < 3) {
    bool black = false;
    Seen seen = SeenInWindow(display, scale, &black);
    white = white || (seen == Seen::kWhite && black);
    picture = picture || ((seen == Seen::kImage1 || seen == Seen::kImage2 ||
                           seen == Seen::kImage3) && black);
  }
  return white && picture;
}

bool WindowHasSize(const VirtualDisplay& display, int wantWidth, int wantHeight) {
  auto start = std::chrono::steady_clock::now();
  int left, top, width = 0, height = 0;
  while (SecondsSince(start) < 5) {
    if (display.FindWindow("Quenthor", &left, &top, &width, &height) && width == wantWidth &&
        height == wantHeight)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ADD_FAILURE() << "the window is " << width << "x" << height << ", not " << wantWidth << "x"
                << wantHeight;
  return false;
}

// QUENTHOR_DISPLAY_WINDOW=1: the screen is a 640x480 desktop window, resizable and decorated for
// a window manager, with the strobe in it; resized, the picture keeps a whole-number scale
// centred on black; Escape, or the window's close request, ends the show with status 0.
class WindowMode : public ::testing::TestWithParam<bool> {
 protected:
  VirtualDisplay display{kDesktopWidth, kDesktopHeight};
  void SetUp() override { ASSERT_TRUE(display.Ready()) << "Xvfb didn't start"; }
};

TEST_P(WindowMode, ShowsAResizableWindowWithWholeNumberScalingAndEndsWithStatusZero) {
  const bool closeRequest = GetParam();
  display.KnowDecorationHints();
  ShowProcess show(display, {"QUENTHOR_DISPLAY_WINDOW=1"});
  ASSERT_TRUE(WindowHasSize(display, 2 * 320, 2 * 240));
  EXPECT_TRUE(SeesTheStrobeInWindow(display, 2)) << "no strobe at twice the mode";
  bool resizable = false, decorated = false;
  ASSERT_TRUE(display.ManagerHints("Quenthor", &resizable, &decorated));
  EXPECT_TRUE(resizable);
  EXPECT_TRUE(decorated);

  ASSERT_TRUE(display.ResizeWindow("Quenthor", kResizedWidth, kResizedHeight));
  ASSERT_TRUE(WindowHasSize(display, kResizedWidth, kResizedHeight));
  EXPECT_TRUE(SeesTheStrobeInWindow(display, 3)) << "no strobe at three times, centred on black";

  ASSERT_TRUE(show.Running());
  if (closeRequest) {
    ASSERT_TRUE(display.RequestClose("Quenthor"));
  } else {
    // With no window manager, keys go to the window under the pointer.
    int left, top, width, height;
    ASSERT_TRUE(display.FindWindow("Quenthor", &left, &top, &width, &height));
    display.MovePointer(left + width / 2, top + height / 2);
    display.PressKey("Escape");
  }
  ExpectEndsWith(show, 0, 1000);
}

INSTANTIATE_TEST_SUITE_P(EndedBy, WindowMode, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "CloseRequest" : "Escape";
                         });

}  // namespace
