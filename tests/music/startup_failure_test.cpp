// Starting the music as the show does, in a child process, with a song that is missing or
// broken: one line on standard output naming the reason, status 1, no crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/music/music_test_support.h"

namespace {

const char* const kSong = "Terminal.s3m";

// A missing song is "File not found"; whatever else stands at its name that isn't a regular
// file can't be loaded, and is refused at once: a named pipe with no writer would hold the show
// for ever in its open, with the screen already taken.
TEST(StartMusic, SongThatIsNoRegularFileIsRefusedAtOnce) {
  struct Case {
    const char* what;
    int (*make)(const std::string& path);
    const char* output;
  };
  const Case cases[] = {
      {"missing", [](const std::string&) { return 0; }, "File not found\n"},
      {"a folder", [](const std::string& path) { return mkdir(path.c_str(), 0700); },
       "Error loading file\n"},
      {"a pipe with no writer", [](const std::string& path) { return mkfifo(path.c_str(), 0600); },
       "Error loading file\n"},
      {"a device", [](const std::string& path) { return symlink("/dev/zero", path.c_str()); },
       "Error loading file\n"},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    ASSERT_EQ(c.make(folder.File(kSong)), 0) << c.what;
    const ChildResult result = RunMusicProbe(folder.path(), {"start"});
    EXPECT_EQ(result.status, 1) << c.what << " (142: the probe blocked until its time limit)";
    EXPECT_EQ(result.output, c.output) << c.what;
  }
}

TEST(StartMusic, SongOfRandomBytes) {
  ScratchFolder folder;
  WriteFileBytes(folder.File(kSong), RandomBytes(20000, 0x5eed));
  const ChildResult result = RunMusicProbe(folder.path(), {"start"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, "Unknown file format\n");
}

TEST(StartMusic, EmptySong) {
  ScratchFolder folder;
  WriteFileBytes(folder.File(kSong), {});
  const ChildResult result = RunMusicProbe(folder.path(), {"start"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, "Unknown file format\n");
}

TEST(StartMusic, TruncatedSong) {
  // Cut inside the patterns, inside the sample data, and one byte short.
  const std::vector<std::uint8_t>& whole = OurSongBytes();
  for (std::size_t length : {std::size_t{1000}, whole.size() / 2, whole.size() - 1}) {
    ScratchFolder folder;
    WriteFileBytes(folder.File(kSong), std::vector<std::uint8_t>(whole.begin(), whole.begin() + length));
    const ChildResult result = RunMusicProbe(folder.path(), {"start"});
    EXPECT_EQ(result.status, 1) << length << " bytes";
    EXPECT_EQ(result.output, "Error loading file\n") << length << " bytes";
  }
}

TEST(StartMusic, NoAudioDevice) {
  // Output can't start, so the load that follows fails as uninitialised, which is what the
  // show reports.
  ScratchFolder folder;
  WriteFileBytes(folder.File(kSong), OurSongBytes());
  const ChildResult result =
      RunMusicProbe(folder.path(), {"start"}, {"SDL_AUDIODRIVER=no-such-driver"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output,
            "This command failed because FSOUND_Init was not called or called properly\n");
}

TEST(StartMusic, OurSongLoadsAndPlays) {
  ScratchFolder folder;
  WriteFileBytes(folder.File(kSong), OurSongBytes());
  const ChildResult result = RunMusicProbe(folder.path(), {"start"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "played\n");
}

}  // namespace
