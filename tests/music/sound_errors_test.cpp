// The sound library's error messages as the user meets them: every known code has a line of its
// own, the codes outside the table share one fallback, and the report prints the line on
// standard output and ends with status 1.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "music/music.h"
#include "tests/music/music_test_support.h"

namespace {

const int kCodesOutsideTheTable[] = {19, 20, 255, 1000, INT_MAX, -1, -2, -19, INT_MIN};

TEST(SoundErrorTable, EveryKnownCodeHasADistinctLineOfItsOwn) {
  std::set<std::string> lines;
  for (int code = 0; code < kSoundErrorCount; ++code) {
    const char* message = SoundErrorMessage(code);
    ASSERT_NE(message, nullptr) << "code " << code;
    EXPECT_EQ(message, SoundErrorText[code]) << "code " << code;
    EXPECT_GT(std::strlen(message), 0u) << "code " << code;
    EXPECT_EQ(std::strchr(message, '\n'), nullptr) << "code " << code;
    EXPECT_STRNE(message, kUnknownSoundError) << "code " << code;
    EXPECT_TRUE(lines.insert(message).second) << "code " << code << " repeats \"" << message << "\"";
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
  for (int code : kCodesOutsideTheTable)
    EXPECT_STREQ(SoundErrorMessage(code), "Unknown error") << "code " << code;
}

struct ReportCase {
  int code;
  const char* line;
};

// The lines a user sees, for the codes the show meets (no song, a bad song, no output, no
// memory, no channel) and the table's ends.
TEST(ReportSoundError, PrintsOneLineOnStandardOutputAndEndsWithStatus1) {
  const ReportCase cases[] = {
      {0, "No errors\n"},
      {1, "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.\n"},
      {3, "Error initializing output device.\n"},
      {9, "File not found\n"},
      {10, "Unknown file format\n"},
      {12, "Not enough memory \n"},
      {16, "Failed to allocate a new channel\n"},
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
