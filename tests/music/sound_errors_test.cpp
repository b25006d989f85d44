// The sound error table and its report: every text character for character, codes outside
// the table, and the printed line with the exit status.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "music/music.h"
#include "tests/music/music_test_support.h"

namespace {

const char* const kExpectedTexts[] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called or called properly",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

TEST(SoundErrorTable, EveryCodeHasItsExactText) {
  ASSERT_EQ(kSoundErrorCount, 19);
  for (int code = 0; code < kSoundErrorCount; ++code) {
    EXPECT_STREQ(SoundErrorText[code], kExpectedTexts[code]) << "code " << code;
    EXPECT_STREQ(SoundErrorMessage(code), kExpectedTexts[code]) << "code " << code;
  }
}

TEST(SoundErrorTable, BlanksThatAreEasyToLose) {
  EXPECT_NE(std::strstr(SoundErrorMessage(1), "FSOUND_Init.  Call"), nullptr);
  const std::string memory = SoundErrorMessage(12);
  ASSERT_FALSE(memory.empty());
  EXPECT_EQ(memory.back(), ' ');
  EXPECT_EQ(memory.size(), std::strlen("Not enough memory") + 1);
}

TEST(SoundErrorTable, CodesOutsideTheTableAreUnknown) {
  for (int code : {19, 20, 255, 1000, INT_MAX, -1, -2, -19, INT_MIN})
    EXPECT_STREQ(SoundErrorMessage(code), "Unknown error") << "code " << code;
}

struct ReportCase {
  int code;
  const char* line;
};

TEST(ReportSoundError, PrintsOneLineOnStandardOutputAndEndsWithStatus1) {
  const ReportCase cases[] = {
      {0, "No errors\n"},
      {1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.\n"},
      {9, "File not found\n"},
      {12, "Not enough memory \n"},
      {18, "Required Mediaplayer codec is not installed\n"},
      {19, "Unknown error\n"},
      {-1, "Unknown error\n"},
      {INT_MIN, "Unknown error\n"},
  };
  ScratchFolder folder;
  for (const ReportCase& report : cases) {
    const ChildResult result = RunMusicProbe(folder.path(), {"report", std::to_string(report.code)});
    EXPECT_EQ(result.status, 1) << "code " << report.code;
    EXPECT_EQ(result.output, report.line) << "code " << report.code;
  }
}

}  // namespace
