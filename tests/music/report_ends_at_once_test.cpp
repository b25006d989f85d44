// A song that fails to load ends the process at once: the report reads the library's last error
// and exits, closing nothing first. The sound output started before the load is still open
// when the process ends, and the library heard nothing after the question for the error.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "music/music.h"
#include "tests/controls/sound_controls.h"
#include "tests/controls/trace.h"
#include "tests/music/music_test_support.h"

namespace {

// Runs as the process ends, after the report: what the library heard, and whether its output
// is still open, on standard error for the test to read.
void TellWhatTheLibraryHeard() {
  std::string calls;
  for (const std::string& entry : platform::TraceLines()) {
    if (!calls.empty()) calls += "; ";
    calls += entry;
  }
  std::fprintf(stderr, "calls: %s. output open: %d\n", calls.c_str(),
               platform::SoundOutputIsOpen() ? 1 : 0);
}

TEST(ReportSoundErrorDeathTest, EndsTheProcessWithTheOutputStillOpen) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScratchFolder folder;  // no song in it
  EXPECT_EXIT(
      {
        if (chdir(folder.path().c_str()) != 0) std::_Exit(3);
        platform::TraceKeep(true);
        std::atexit(TellWhatTheLibraryHeard);
        FMUSIC_MODULE* song = StartMusic();
        if (song) std::_Exit(4);
        ReportSoundError();
      },
      ::testing::ExitedWithCode(1),
      "calls: FSOUND_Init 44100 64 0; FMUSIC_LoadSong Terminal.s3m[^;]*; FSOUND_GetError[^;]*\\. "
      "output open: 1");
}

}  // namespace
