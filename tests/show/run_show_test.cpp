// The whole show in one process on the stand-ins, stepped by the manual clock.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "display/display.h"
#include "show/show.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/sound_controls.h"
#include "tests/controls/trace.h"
#include "tests/show/show_harness.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Where the first trace line that starts with call stands, or -1.
int FirstEntry(const std::vector<std::string>& trace, const std::string& call) {
  for (size_t i = 0; i < trace.size(); i++)
    if (trace[i].rfind(call, 0) == 0) return static_cast<int>(i);
  return -1;
}

class RunShowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(show.Ready()); }

  ShowHarness show;
};

TEST_F(RunShowTest, StrobeChangesOnlyAfterMoreThanFiftyMillisecondsWhiteFirst) {
  ASSERT_EQ(show.Run(5000, {0, 50, 51, 101, 102, 152, 153}), 0);
  std::vector<Seen> expected = {Seen::kBlack, Seen::kBlack,  Seen::kWhite, Seen::kWhite,
                                Seen::kImage1, Seen::kImage1, Seen::kWhite};
  EXPECT_EQ(show.Screens(), expected);
}

// Every clock reading moves the clock on by 1 ms, so the pass's three readings differ: the
// strobe tick, then the elapsed time, then, after a change's fill or copy, the last change.
TEST_F(RunShowTest, TheLastChangeIsAFreshReadingTakenAfterTheFill) {
  show.SetClockStep(1);
  // At 51 the strobe tick is 51 and white goes up; the last change is the third reading, 53.
  // At 103 the strobe tick is 50 past it: no change yet. At 110 the image follows.
  ASSERT_EQ(show.Run(1000, {0, 51, 103, 110}), 0);
  std::vector<Seen> expected = {Seen::kBlack, Seen::kWhite, Seen::kWhite, Seen::kImage1};
  EXPECT_EQ(show.Screens(), expected);
}

TEST_F(RunShowTest, TheScheduleReadsTheClockAgainAfterTheStrobeTick) {
  show.SetClockStep(1);
  // White goes up at 3940; at 4000 the strobe tick says 4000 and the schedule's own reading
  // 4001, so the copy due then already takes image 2.
  ASSERT_EQ(show.Run(1000, {0, 51, 105, 3940, 4000}), 0);
  std::vector<Seen> screens = show.Screens();
  ASSERT_EQ(screens.size(), 5u);
  EXPECT_EQ(screens[2], Seen::kImage1);
  EXPECT_EQ(screens[3], Seen::kWhite);
  EXPECT_EQ(screens[4], Seen::kImage2);
}

TEST_F(RunShowTest, AtExactlyFourSecondsThePreviousImageStays) {
  // A change falls due exactly at 4000 ms: the copy still takes image 1.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 3949, 3990, 4000}), 0);
  EXPECT_EQ(show.Screens().back(), Seen::kImage1);
}

TEST_F(RunShowTest, OneMillisecondLaterTheCopyTakesImageTwo) {
  // White went up while image 1 was current; the next change copies the image current then.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 3950, 3960, 4001}), 0);
  std::vector<Seen> screens = show.Screens();
  EXPECT_EQ(screens[3], Seen::kWhite);
  EXPECT_EQ(screens.back(), Seen::kImage2);
}

TEST_F(RunShowTest, AtExactlyEightSecondsImageTwoStays) {
  ASSERT_EQ(show.Run(100, {0, 51, 102, 7949, 7990, 8000}), 0);
  EXPECT_EQ(show.Screens().back(), Seen::kImage2);
}

TEST_F(RunShowTest, OneMillisecondLaterImageThreeTakesOver) {
  ASSERT_EQ(show.Run(100, {0, 51, 102, 7950, 7960, 8001}), 0);
  EXPECT_EQ(show.Screens().back(), Seen::kImage3);
}

TEST_F(RunShowTest, WholeShowAtSixtyHertz) {
  ASSERT_EQ(show.Run(123456, EvenPasses(17, 9500)), 0);
  ExpectStrobeAndSchedule(show.passes());
}

TEST_F(RunShowTest, TickCounterWrapDuringTheShowChangesNothing) {
  // The counter passes 2^32 three seconds into the show.
  ASSERT_EQ(show.Run(0xFFFFFFFFu - 3000u, EvenPasses(17, 9500)), 0);
  ExpectStrobeAndSchedule(show.passes());
}

TEST_F(RunShowTest, QuitRaisedBeforeTheFirstPassEndsWithoutAPass) {
  platform::TraceKeep(true);
  quitRequested = 1;
  ASSERT_EQ(show.Run(100, {0}), 0);
  EXPECT_TRUE(show.passes().empty());
  EXPECT_EQ(platform::FlipCount(), 0);
  EXPECT_TRUE(platform::TraceLinesStartingWith("IDirectDrawSurface::Lock").empty());
  // Shutdown ran in full: display given back, then the song freed and output closed.
  std::vector<std::string> trace = platform::TraceLines();
  auto at = [&](const std::string& call) { return FirstEntry(trace, call); };
  EXPECT_GE(at("FMUSIC_PlaySong"), 0);
  EXPECT_LT(at("FMUSIC_PlaySong"), at("DestroyWindow"));
  EXPECT_LT(at("FreeLibrary"), at("FMUSIC_FreeSong"));
  EXPECT_LT(at("FMUSIC_FreeSong"), at("FSOUND_Close"));
  EXPECT_LT(at("FSOUND_Close"), at("ExitProcess 0"));
}

TEST_F(RunShowTest, StartUpOrderOpensTheDisplayBeforeTheSongAndReadsTheClockBeforePlaying) {
  platform::TraceKeep(true);
  show.SetClockStep(1);
  ASSERT_EQ(show.Run(100, {0}), 0);
  std::vector<std::string> trace = platform::TraceLines();
  auto at = [&](const std::string& call) { return FirstEntry(trace, call); };
  EXPECT_LT(at("IDirectDrawSurface::GetPixelFormat"), at("FSOUND_Init 44100 64 0"));
  EXPECT_LT(at("FSOUND_Init 44100 64 0"), at("FMUSIC_LoadSong Terminal.s3m"));
  EXPECT_LT(at("FMUSIC_LoadSong Terminal.s3m"), at("FMUSIC_PlaySong"));
  EXPECT_LT(at("FMUSIC_PlaySong"), at("IDirectDrawSurface::Lock"));
  // The clock is read once between loading the song and playing it, and that reading is the
  // show's start: the first pass's two readings come after playback began.
  std::vector<std::string> readings;
  for (int i = at("FMUSIC_LoadSong"); i >= 0 && i < static_cast<int>(trace.size()); i++) {
    if (trace[i].rfind("GetTickCount", 0) == 0) readings.push_back(trace[i]);
    if (trace[i].rfind("FMUSIC_PlaySong", 0) == 0) readings.push_back(trace[i]);
    if (trace[i].rfind("PeekMessageA", 0) == 0) break;
  }
  EXPECT_EQ(readings, (std::vector<std::string>{"GetTickCount -> 100", "FMUSIC_PlaySong 1",
                                                "GetTickCount -> 101", "GetTickCount -> 102"}));
}

// The show's window and its class are both named "Quenthor", and the screen it asks for is
// 320x240; a user's window list and the test tools find the show by that name.
TEST_F(RunShowTest, OpensItsDisplayAsQuenthorAt320By240) {
  platform::TraceKeep(true);
  ASSERT_EQ(show.Run(100, {0}), 0);
  const std::vector<std::string> trace = platform::TraceLines();
  const int registered = FirstEntry(trace, "RegisterClassA ");
  ASSERT_GE(registered, 0);
  const std::string& windowClass = trace[registered];
  EXPECT_EQ(windowClass.substr(windowClass.rfind(", ") + 2), "lpszClassName \"Quenthor\"}");
  EXPECT_GE(FirstEntry(trace, "CreateWindowExA 0x0 \"Quenthor\" \"Quenthor\" "), 0);
  EXPECT_GE(FirstEntry(trace, "IDirectDraw::SetDisplayMode 320 240 "), 0);
}

// Whatever stops the display from opening, the show ends with status 1, says nothing and
// starts no sound.
struct DisplayFault {
  const char* name;
  void (*set)(platform::ddraw::DisplayProfile&, platform::DisplayFaults&);
};
void PrintTo(const DisplayFault& fault, std::ostream* out) { *out << fault.name; }

class DisplayThatCantOpen : public ::testing::TestWithParam<DisplayFault> {
 protected:
  ShowHarness show;
};

TEST_P(DisplayThatCantOpen, EndsTheShowWithStatusOneSilently) {
  ASSERT_TRUE(show.Ready());
  platform::ddraw::DisplayProfile profile;
  platform::DisplayFaults faults;
  GetParam().set(profile, faults);
  platform::SetDisplayProfile(profile);
  platform::SetDisplayFaults(faults);
  platform::CaptureMessageBoxes(true);
  platform::TraceKeep(true);
  ::testing::internal::CaptureStdout();
  // A failed start-up leaves its buffers to the end of the process, by design.
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();
#endif
  EXPECT_EQ(show.Run(100, {0}), -1);  // returned rather than ended the process
  EXPECT_EQ(show.Returned(), 1);
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(platform::LastMessageBox().count, 0);
  EXPECT_EQ(platform::FlipCount(), 0);
  EXPECT_TRUE(platform::TraceLinesStartingWith("FSOUND").empty());
  EXPECT_TRUE(platform::TraceLinesStartingWith("ExitProcess").empty());
}

const DisplayFault kDisplayFaults[] = {
    {"NoDepth", [](platform::ddraw::DisplayProfile& p, platform::DisplayFaults&) { p.accepts32 = p.accepts24 = p.accepts16 = false; }},
    {"NoAttachedBackBuffer", [](platform::ddraw::DisplayProfile&, platform::DisplayFaults& f) { f.attachedSurfaceMissing = true; }},
    {"PixelFormatUnreadable", [](platform::ddraw::DisplayProfile&, platform::DisplayFaults& f) { f.pixelFormatFails = true; }},
    {"PixelFormatNotRGB", [](platform::ddraw::DisplayProfile&, platform::DisplayFaults& f) { f.rgbFlagMissing = true; }},
};
INSTANTIATE_TEST_SUITE_P(Faults, DisplayThatCantOpen, ::testing::ValuesIn(kDisplayFaults),
                         [](const ::testing::TestParamInfo<DisplayFault>& info) {
                           return std::string(info.param.name);
                         });

// Runs the show in a child process whose song is broken; returns its status and what it printed.
int RunInChildWithSong(const std::string& folder, const std::string& songContents,
                       bool songPresent, std::string* printed) {
  std::string song = folder + "/Terminal.s3m";
  std::remove(song.c_str());
  if (songPresent && !WriteWholeFile(song, songContents.data(), songContents.size())) return -1;
  // A show that plays on without its song is ended by the time limit: status 128 + SIGALRM.
  const ChildResult result = RunInChild(
      [] {
        platform::ClockUseManual(100);
        return RunShow() == 1 ? 2 : 3;  // ReportSoundError ends the process itself
      },
      10);
  *printed += result.output;
  return result.status;
}

TEST_F(RunShowTest, SongThatCantLoadPrintsTheReasonAndEndsWithStatusOne) {
  std::string printed;
  EXPECT_EQ(RunInChildWithSong(show.folder(), "", false, &printed), 1);
  EXPECT_EQ(printed, "File not found\n");

  printed.clear();
  EXPECT_EQ(RunInChildWithSong(show.folder(), std::string(5000, '\x5A'), true, &printed), 1);
  EXPECT_EQ(printed, "Unknown file format\n");
}

// The show on a schedule of passes that doesn't depend on whether it draws: a drawn pass yields
// with Sleep(0), after which the clock moves on by gapAfter(now); an inactive pass's Sleep(1)
// moves it by 1 ms itself, so gapAfter is 1 wherever an inactive pass may come. Keeps the screen
// after every drawn pass for which keep(now) holds, by show time; Escape goes at show time until.
// atDrawnPass and atInactivePass run after each pass, with the show time of the pass or of the
// next.
struct PassesByTheClock {
  PassesByTheClock(std::function<std::uint32_t(std::uint32_t)> gap,
                   std::function<bool(std::uint32_t)> kept)
      : gapAfter(std::move(gap)), keep(std::move(kept)) {}

  std::function<std::uint32_t(std::uint32_t)> gapAfter;
  std::function<bool(std::uint32_t)> keep;
  std::map<std::uint32_t, Seen> drawn;
  std::function<void(std::uint32_t)> atDrawnPass = [](std::uint32_t) {};
  std::function<void(std::uint32_t)> atInactivePass = [](std::uint32_t) {};

  int Run(ShowHarness& show, std::uint32_t start, std::uint32_t until) {
    bool escaped = false;
    return show.RunWithSleepHook(start, [&](std::uint32_t milliseconds) {
      const std::uint32_t now = platform::ClockNow() - start;
      if (milliseconds == 0) {
        if (keep(now)) drawn[now] = Classify(platform::ScreenPixels(), 1, 0, Scrutiny::kEveryPixel);
        atDrawnPass(now);
        platform::ClockAdvance(gapAfter(now));
      } else {
        atInactivePass(now);
      }
      if (now >= until && !escaped) {
        escaped = true;
        show.PressEscape();
      }
    });
  }
};

// Switched away from for three seconds, the show neither pauses nor stops the song: the
// schedule and the strobe go on by the clock, nothing is drawn meanwhile, and the first frame
// back is the one a show that stayed in front draws at the same time, as are the ones after.
TEST(InactiveShow, GoesOnByTheClockAndDrawsAgainWhereTheClockSays) {
  const std::uint32_t kStart = 50000, kAway = 3009, kBack = 6000, kEnd = 6600;
  // 60 Hz in front; while away, a pass every millisecond, as the inactive show's Sleep(1) makes.
  auto gapAfter = [&](std::uint32_t now) { return now >= kAway && now < kBack ? 1u : 17u; };
  auto keep = [&](std::uint32_t now) { return (now + 600 >= kAway && now <= kAway) || now >= kBack; };
  PassesByTheClock stayed(gapAfter, keep);
  {
    ShowHarness show;
    ASSERT_TRUE(show.Ready());
    ASSERT_EQ(stayed.Run(show, kStart, kEnd), 0);
  }

  ShowHarness show;
  ASSERT_TRUE(show.Ready());
  platform::SoundCaptureEnable(true);
  platform::TraceKeep(true);
  PassesByTheClock left(gapAfter, keep);
  int flipsWhenLeft = -1;
  size_t traceWhenLeft = 0, traceWhenBack = 0;
  std::size_t framesWhenLeft = 0;
  bool back = false;
  left.atDrawnPass = [&](std::uint32_t now) {
    if (now != kAway) return;
    flipsWhenLeft = platform::FlipCount();
    traceWhenLeft = platform::TraceLines().size();
    framesWhenLeft = platform::SoundCapturedFrames();
    platform::InjectActivation(false);
  };
  left.atInactivePass = [&](std::uint32_t now) {
    if (back || now < kBack) return;
    back = true;
    // The song played on all the while.
    EXPECT_EQ(platform::SoundPlayingSongCount(), 1);
    EXPECT_TRUE(platform::SoundWaitForCapturedFrames(framesWhenLeft + 4410, 10000));
    EXPECT_EQ(platform::FlipCount(), flipsWhenLeft);
    traceWhenBack = platform::TraceLines().size();
    platform::InjectActivation(true);
  };
  ASSERT_EQ(left.Run(show, kStart, kEnd), 0);
  ASSERT_TRUE(back);
  ASSERT_GT(flipsWhenLeft, 0);

  // Nothing drawn while away: every pass pumped and slept a millisecond, no more.
  const std::vector<std::string> trace = platform::TraceLines();
  std::set<std::string> callsWhileAway;
  for (size_t i = traceWhenLeft; i < traceWhenBack; i++)
    callsWhileAway.insert(trace[i].substr(0, trace[i].find(' ')));
  EXPECT_EQ(callsWhileAway, (std::set<std::string>{"GetTickCount", "PeekMessageA", "Sleep"}));
  for (size_t i = traceWhenLeft; i < traceWhenBack; i++) {
    if (trace[i].rfind("Sleep", 0) == 0) {
      ASSERT_EQ(trace[i], "Sleep 1") << i;
    }
  }
  // Nor ever asked to stop or pause: the sound calls are start-up's and shutdown's.
  std::vector<std::string> sound;
  for (const std::string& entry : trace)
    if (entry.rfind("FSOUND", 0) == 0 || entry.rfind("FMUSIC", 0) == 0) sound.push_back(entry);
  EXPECT_EQ(sound, (std::vector<std::string>{"FSOUND_Init 44100 64 0",
                                             "FMUSIC_LoadSong Terminal.s3m", "FMUSIC_PlaySong 1",
                                             "FMUSIC_FreeSong 1", "FSOUND_Close"}));

  // The same screen as the show that stayed, pass for pass, before leaving and from coming back.
  auto firstBack = left.drawn.upper_bound(kAway);
  ASSERT_NE(firstBack, left.drawn.end());
  EXPECT_EQ(firstBack->first, kBack);
  EXPECT_EQ(left.drawn.size(), stayed.drawn.size());
  for (const auto& pass : left.drawn) {
    ASSERT_EQ(stayed.drawn.count(pass.first), 1u) << pass.first;
    ASSERT_EQ(Name(pass.second), std::string(Name(stayed.drawn[pass.first]))) << "at " << pass.first;
  }
  // Which means the schedule moved on: image 1 before leaving, image 2 on coming back.
  Seen lastPictureBefore = Seen::kOther, firstPictureAfter = Seen::kOther;
  for (const auto& pass : left.drawn) {
    if (pass.second == Seen::kWhite || pass.second == Seen::kBlack) continue;
    if (pass.first <= kAway) lastPictureBefore = pass.second;
    if (pass.first >= kBack && firstPictureAfter == Seen::kOther) firstPictureAfter = pass.second;
  }
  EXPECT_EQ(Name(lastPictureBefore), std::string(Name(Seen::kImage1)));
  EXPECT_EQ(Name(firstPictureAfter), std::string(Name(Seen::kImage2)));
}

class EveryLayout : public ::testing::TestWithParam<const char*> {
 protected:
  ShowHarness show;
};

TEST_P(EveryLayout, ScreenGoesBlackWhiteAndThePicturesInTheirColours) {
  ASSERT_TRUE(show.Ready());
  platform::ddraw::DisplayProfile profile;
  ASSERT_TRUE(platform::ddraw::ProfileForLayoutName(GetParam(), &profile));
  platform::SetDisplayProfile(profile);
  // 16-bit layouts keep 5 or 6 bits of a channel.
  show.SetTolerance(std::string(GetParam()).find("565") != std::string::npos ? 7 : 0);
  ASSERT_EQ(show.Run(1000, EvenPasses(23, 9000)), 0);
  EXPECT_EQ(platform::ScreenLayoutName(platform::ScreenPictureLayout()), std::string(GetParam()));
  ExpectStrobeAndSchedule(show.passes());
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryLayout,
                         ::testing::Values("xrgb32", "xbgr32", "rgb24", "bgr24", "rgb565",
                                           "bgr565"));

}  // namespace
