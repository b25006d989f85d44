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

#include "tests/e2e/virtual_display.h"
#include "tools/pictures.h"

namespace {

const int kScreenWidth = 640, kScreenHeight = 480;  // the show's 320x240, doubled

enum class Seen { kBlack, kWhite, kImage1, kImage2, kImage3, kOther };

const char* Name(Seen seen) {
  switch (seen) {
    case Seen::kBlack: return "black";
    case Seen::kWhite: return "white";
    case Seen::kImage1: return "image 1";
    case Seen::kImage2: return "image 2";
    case Seen::kImage3: return "image 3";
    default: return "other";
  }
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(difference) > tolerance) return false;
  }
  return true;
}

// What the screen shows: each show pixel is a 2x2 block at the same place, nearest-neighbour.
// tolerance allows for the colour steps of a 16-bit layout.
Seen Classify(const std::vector<std::uint32_t>& screen, int tolerance) {
  static const std::vector<std::uint32_t> pictures[3] = {DrawPicture(1), DrawPicture(2),
                                                         DrawPicture(3)};
  if (screen.size() != static_cast<size_t>(kScreenWidth) * kScreenHeight) return Seen::kOther;
  int black = 0, white = 0, match[3] = {0, 0, 0}, samples = 0;
  for (int y = 0; y < 240; y += 3) {
    for (int x = 0; x < 320; x += 3) {
      std::uint32_t shown = screen[(2 * y + 1) * kScreenWidth + 2 * x + 1];
      samples++;
      black += Near(shown, 0, tolerance);
      white += Near(shown, 0xFFFFFF, tolerance);
      for (int i = 0; i < 3; i++) match[i] += Near(shown, pictures[i][y * 320 + x], tolerance);
    }
  }
  if (black == samples) return Seen::kBlack;
  if (white == samples) return Seen::kWhite;
  for (int i = 0; i < 3; i++)
    if (match[i] * 100 >= samples * 97) return static_cast<Seen>(static_cast<int>(Seen::kImage1) + i);
  return Seen::kOther;
}

// The show ends within timeoutMs, with status 0.
void ExpectEndsWithStatusZero(ShowProcess& show, int timeoutMs) {
  int status = -1;
  ASSERT_TRUE(show.WaitForExit(timeoutMs, &status)) << "still running after " << timeoutMs
                                                     << " ms";
  EXPECT_EQ(status, 0);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Waits until the show has something other than black on the screen.
bool WaitForPicture(const VirtualDisplay& display, int tolerance) {
  auto start = std::chrono::steady_clock::now();
  while (SecondsSince(start) < 10) {
    Seen seen = Classify(display.Screenshot(), tolerance);
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
  std::vector<std::pair<double, Seen>> seen;
  while (SecondsSince(start) < 10.5) {
    Seen now = Classify(display.Screenshot(), tolerance);
    seen.emplace_back(SecondsSince(start), now);
  }
  ASSERT_TRUE(show.Running());
  display.PressKey("Escape");
  ExpectEndsWithStatusZero(show, 2000);

  std::string log;
  int counts[6] = {};
  double first[6] = {1e9, 1e9, 1e9, 1e9, 1e9, 1e9}, last[6] = {};
  for (auto& [time, what] : seen) {
    int i = static_cast<int>(what);
    counts[i]++;
    first[i] = std::min(first[i], time);
    last[i] = std::max(last[i], time);
    char line[48];
    std::snprintf(line, sizeof line, "%.2f %s\n", time, Name(what));
    log += line;
  }
  SCOPED_TRACE(log);
  const int white = static_cast<int>(Seen::kWhite), one = static_cast<int>(Seen::kImage1),
            two = static_cast<int>(Seen::kImage2), three = static_cast<int>(Seen::kImage3);
  EXPECT_GT(counts[white], 5);
  EXPECT_GT(counts[one], 2);
  EXPECT_GT(counts[two], 2);
  EXPECT_GT(counts[three], 2);
  // Show time starts a little after the process, so each image appears no earlier than its
  // second on our clock and gives way within a second and a half of it.
  EXPECT_LT(last[one], 5.5);
  EXPECT_GT(first[two], 4.0);
  EXPECT_LT(last[two], 9.5);
  EXPECT_GT(first[three], 8.0);
  // Nothing but white, the pictures and the first black: no torn or miscoloured frames to speak of.
  EXPECT_LE(counts[static_cast<int>(Seen::kOther)], static_cast<int>(seen.size()) / 20);
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
  ExpectEndsWithStatusZero(show, 1000);
}

TEST_F(EndToEnd, CloseRequestEndsTheShowWithinASecond) {
  ShowProcess show(display);
  ASSERT_TRUE(WaitForPicture(display, 0));
  ASSERT_TRUE(display.RequestClose("Quenthor"));
  ExpectEndsWithStatusZero(show, 1000);
}

TEST_F(EndToEnd, OtherKeysDontEndTheShowAndTheSongIsHeard) {
  ShowProcess show(display);
  ASSERT_TRUE(WaitForPicture(display, 0));
  for (const char* key : {"space", "Return", "a", "Left", "1"}) display.PressKey(key);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(show.Running());
  display.PressKey("Escape");
  ExpectEndsWithStatusZero(show, 1000);

  // The sound as mixed: 16-bit stereo, and not silent.
  std::FILE* file = std::fopen(show.SoundFile().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::vector<std::int16_t> samples(44100 * 2 * 2);
  samples.resize(std::fread(samples.data(), 2, samples.size(), file));
  std::fclose(file);
  ASSERT_GT(samples.size(), 44100u);
  double energy = 0;
  int peak = 0;
  for (std::int16_t s : samples) {
    energy += static_cast<double>(s) * s;
    peak = std::max(peak, std::abs(static_cast<int>(s)));
  }
  EXPECT_GT(peak, 2000);
  EXPECT_GT(std::sqrt(energy / samples.size()), 300.0);
}

TEST_F(EndToEnd, NoDisplayServerEndsWithStatusOneSilently) {
  // A display name nobody answers on.
  ShowProcess show(display, {"DISPLAY=:4097"});
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
