// The whole show in one process on the stand-ins, stepped by the manual clock.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/controls/display_controls.h"
#include "platform/controls/journal.h"
#include "platform/controls/kernel_controls.h"
#include "platform/controls/sound_controls.h"
#include "show/show.h"
#include "tests/show/show_harness.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Where the first journal entry that starts with call stands, or -1.
int FirstEntry(const std::vector<std::string>& journal, const std::string& call) {
  for (size_t i = 0; i < journal.size(); i++)
    if (journal[i].rfind(call, 0) == 0) return static_cast<int>(i);
  return -1;
}

class RunShowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(show.Ready()); }

  // What the screen showed at each pass, in order.
  std::vector<Seen> Screens() const {
    std::vector<Seen> screens;
    for (const Pass& pass : show.passes()) screens.push_back(pass.seen);
    return screens;
  }

  ShowHarness show;
};

TEST_F(RunShowTest, StrobeChangesOnlyAfterMoreThanFiftyMillisecondsWhiteFirst) {
  ASSERT_EQ(show.Run(5000, {0, 50, 51, 101, 102, 152, 153}), 0);
  std::vector<Seen> expected = {Seen::kBlack, Seen::kBlack,  Seen::kWhite, Seen::kWhite,
                                Seen::kImage1, Seen::kImage1, Seen::kWhite};
  EXPECT_EQ(Screens(), expected);
}

TEST_F(RunShowTest, AtExactlyFourSecondsThePreviousImageStays) {
  // A change falls due exactly at 4000 ms: the copy still takes image 1.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 3949, 3990, 4000}), 0);
  EXPECT_EQ(Screens().back(), Seen::kImage1);
}

TEST_F(RunShowTest, OneMillisecondLaterTheCopyTakesImageTwo) {
  // White went up while image 1 was current; the next change copies the image current then.
  ASSERT_EQ(show.Run(100, {0, 51, 102, 3950, 3960, 4001}), 0);
  std::vector<Seen> screens = Screens();
  EXPECT_EQ(screens[3], Seen::kWhite);
  EXPECT_EQ(screens.back(), Seen::kImage2);
}

TEST_F(RunShowTest, AtExactlyEightSecondsImageTwoStays) {
  ASSERT_EQ(show.Run(100, {0, 51, 102, 7949, 7990, 8000}), 0);
  EXPECT_EQ(Screens().back(), Seen::kImage2);
}

TEST_F(RunShowTest, OneMillisecondLaterImageThreeTakesOver) {
  ASSERT_EQ(show.Run(100, {0, 51, 102, 7950, 7960, 8001}), 0);
  EXPECT_EQ(Screens().back(), Seen::kImage3);
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
  platform::JournalEnable(true);
  quitRequested = 1;
  ASSERT_EQ(show.Run(100, {0}), 0);
  EXPECT_TRUE(show.passes().empty());
  EXPECT_EQ(platform::FlipCount(), 0);
  EXPECT_TRUE(platform::JournalEntriesStartingWith("IDirectDrawSurface::Lock").empty());
  // Shutdown ran in full: display given back, then the song freed and output closed.
  std::vector<std::string> journal = platform::JournalEntries();
  auto at = [&](const std::string& call) { return FirstEntry(journal, call); };
  EXPECT_GE(at("FMUSIC_PlaySong"), 0);
  EXPECT_LT(at("FMUSIC_PlaySong"), at("DestroyWindow"));
  EXPECT_LT(at("FreeLibrary"), at("FMUSIC_FreeSong"));
  EXPECT_LT(at("FMUSIC_FreeSong"), at("FSOUND_Close"));
  EXPECT_LT(at("FSOUND_Close"), at("ExitProcess 0"));
}

TEST_F(RunShowTest, StartUpOrderOpensTheDisplayBeforeTheSongAndReadsTheClockBeforePlaying) {
  platform::JournalEnable(true);
  ASSERT_EQ(show.Run(100, {0}), 0);
  std::vector<std::string> journal = platform::JournalEntries();
  auto at = [&](const std::string& call) { return FirstEntry(journal, call); };
  EXPECT_LT(at("IDirectDrawSurface::GetPixelFormat"), at("FSOUND_Init 44100 64 0"));
  EXPECT_LT(at("FSOUND_Init 44100 64 0"), at("FMUSIC_LoadSong Terminal.s3m"));
  EXPECT_LT(at("FMUSIC_LoadSong Terminal.s3m"), at("FMUSIC_PlaySong"));
  EXPECT_LT(at("FMUSIC_PlaySong"), at("IDirectDrawSurface::Lock"));
}

TEST_F(RunShowTest, DisplayThatCantOpenEndsWithStatusOneSilently) {
  platform::DisplayProfile profile = platform::DefaultDisplayProfile();
  profile.accepts32 = profile.accepts24 = profile.accepts16 = false;
  platform::SetDisplayProfile(profile);
  platform::CaptureMessageBoxes(true);
  platform::JournalEnable(true);
  ::testing::internal::CaptureStdout();
  // A failed start-up leaves its buffers to the end of the process, by design.
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();
#endif
  EXPECT_EQ(show.Run(100, {0}), -1);  // returned rather than ended the process
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(platform::LastMessageBox().count, 0);
  EXPECT_TRUE(platform::JournalEntriesStartingWith("FSOUND").empty());
  EXPECT_TRUE(platform::JournalEntriesStartingWith("ExitProcess").empty());
}

// Runs the show in a child process whose song is broken; returns its status and what it printed.
int RunInChildWithSong(const std::string& folder, const std::string& songContents,
                       bool songPresent, std::string* printed) {
  std::string song = folder + "/Terminal.s3m";
  std::remove(song.c_str());
  if (songPresent) {
    std::FILE* file = std::fopen(song.c_str(), "wb");
    std::fwrite(songContents.data(), 1, songContents.size(), file);
    std::fclose(file);
  }
  int output[2];
  if (pipe(output) != 0) return -1;
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    dup2(output[1], 1);
    close(output[0]);
    platform::ClockUseManual(100);
    _exit(RunShow() == 1 ? 2 : 3);  // ReportSoundError ends the process itself
  }
  close(output[1]);
  char buffer[256];
  ssize_t got;
  while ((got = read(output[0], buffer, sizeof buffer)) > 0) printed->append(buffer, got);
  close(output[0]);
  int raw = 0;
  waitpid(child, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

TEST_F(RunShowTest, SongThatCantLoadPrintsTheReasonAndEndsWithStatusOne) {
  std::string printed;
  EXPECT_EQ(RunInChildWithSong(show.folder(), "", false, &printed), 1);
  EXPECT_EQ(printed, "File not found\n");

  printed.clear();
  EXPECT_EQ(RunInChildWithSong(show.folder(), std::string(5000, '\x5A'), true, &printed), 1);
  EXPECT_EQ(printed, "Unknown file format\n");
}

class EveryLayout : public ::testing::TestWithParam<const char*> {
 protected:
  ShowHarness show;
};

TEST_P(EveryLayout, ScreenGoesBlackWhiteAndThePicturesInTheirColours) {
  ASSERT_TRUE(show.Ready());
  platform::DisplayProfile profile;
  ASSERT_TRUE(platform::ProfileForLayoutName(GetParam(), &profile));
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
