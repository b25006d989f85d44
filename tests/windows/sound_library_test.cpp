// fmod.dll's contracts as a Windows program sees them, over its waveOut output: run under Wine
// in the package's folder (its fmod.dll and our song), with a private sound server, or with
// Wine's sound drivers switched off for the no-device case. What the DLL counts (buffers played,
// underruns, refused writes) comes from the report it sends to the debug output as it closes,
// caught here as the exception OutputDebugStringA raises.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/fmod_api.h"

namespace {

const int kRate = 44100;
const char kSong[] = "Terminal.s3m";

// The last report fmod.dll sent to the debug output.
std::string lastReport;

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != DBG_PRINTEXCEPTION_C || record.NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
  if (std::strncmp(text, "fmod.dll:", 9) == 0) lastReport = text;
  return EXCEPTION_CONTINUE_EXECUTION;
}

struct Report {
  bool seen = false;  // a report of a clean close: one that refused to close reads otherwise
  unsigned long played = 0, underruns = 0, refused = 0;
  double songStartMilliseconds = -1;
};

Report ReadReport() {
  Report report;
  report.seen = std::sscanf(lastReport.c_str(),
                            "fmod.dll: sound output closed: %lu buffers played, %lu underruns, "
                            "%lu writes refused (8 buffers of 1024 frames); the song started "
                            "at waveOut %lf ms after FMUSIC_PlaySong",
                            &report.played, &report.underruns, &report.refused,
                            &report.songStartMilliseconds) == 4;
  return report;
}

class WaveOutSoundLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { AddVectoredExceptionHandler(1, CatchDebugOutput); }
  void SetUp() override { lastReport.clear(); }
  void TearDown() override { FSOUND_Close(); }
  // Output started, our song loaded and playing: the start of every contract that needs sound.
  void PlayTheSong(FMUSIC_MODULE** song) {
    ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
    *song = FMUSIC_LoadSong(kSong);
    ASSERT_NE(*song, nullptr) << FSOUND_GetError();
    ASSERT_EQ(FMUSIC_PlaySong(*song), 1);
  }
};

TEST_F(WaveOutSoundLibrary, InitTwiceIsRefusedUntilClosed) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
  FSOUND_Close();
  EXPECT_TRUE(ReadReport().seen) << lastReport;
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
}

TEST_F(WaveOutSoundLibrary, NothingIsQueuedBeforeTheSongPlays) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  Sleep(300);
  FSOUND_Close();
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_EQ(report.played, 0u) << lastReport;
  EXPECT_LT(report.songStartMilliseconds, 0) << lastReport;
}

TEST_F(WaveOutSoundLibrary, CloseWhileMixingEndsPlaybackAndKeepsTheSong) {
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(400);
  DWORD before = GetTickCount();
  FSOUND_Close();
  EXPECT_LT(GetTickCount() - before, 1000u) << "close waited on the device";
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_GT(report.played, 5u) << lastReport;
  EXPECT_GE(report.songStartMilliseconds, 0) << lastReport;
  // The song outlives the output until freed, once.
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
}

TEST_F(WaveOutSoundLibrary, FreeWhilePlayingLeavesTheOutputRunning) {
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(200);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  Sleep(200);  // the mixer goes on, now with nothing to play
  FMUSIC_MODULE* again = FMUSIC_LoadSong(kSong);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(FMUSIC_PlaySong(again), 1);
  Sleep(100);
  FSOUND_Close();
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_EQ(report.underruns, 0u) << lastReport;
  EXPECT_EQ(FMUSIC_FreeSong(again), 1);
}

TEST_F(WaveOutSoundLibrary, PlayAfterCloseIsRefusedAsUninitialised) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(kSong);
  ASSERT_NE(song, nullptr);
  FSOUND_Close();
  EXPECT_EQ(FMUSIC_PlaySong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
}

// A run of the song as the show makes it: the DLL's own count of underruns stays 0.
// QUENTHOR_SONG_SECONDS sets its length (default 10).
TEST_F(WaveOutSoundLibrary, TheSongPlaysWithoutUnderruns) {
  const char* chosen = std::getenv("QUENTHOR_SONG_SECONDS");
  const int seconds = chosen ? std::atoi(chosen) : 10;
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(static_cast<DWORD>(seconds) * 1000);
  FSOUND_Close();
  Report report = ReadReport();
  std::printf("%s", lastReport.c_str());
  ASSERT_TRUE(report.seen) << lastReport;
  // 44,100 frames a second is 43 buffers of 1,024; a sound server on a loaded machine may take
  // them slower than that, but one that stalled would take none.
  EXPECT_GT(report.played, static_cast<unsigned long>(seconds * 43 / 2)) << lastReport;
  EXPECT_EQ(report.underruns, 0u) << lastReport;
  EXPECT_EQ(report.refused, 0u) << lastReport;
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
}

// Run with Wine's sound drivers switched off (the NoDevice test's own ctest entry).
TEST_F(WaveOutSoundLibrary, NoDeviceFailsInitAndThenTheLoad) {
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
  EXPECT_EQ(FMUSIC_LoadSong(kSong), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  FSOUND_Close();  // harmless when nothing was opened
  EXPECT_TRUE(lastReport.empty()) << lastReport;
}

}  // namespace
