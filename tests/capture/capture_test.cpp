// quenthor-capture as a person runs it: the video's frames and sound against the show's own
// pictures and libopenmpt's render of the song, twice the same bytes, gentle mode through the
// flash check, and captures that can't be made.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/our_song.h"
#include "tests/support/scratch_folder.h"
#include "tools/assets.h"

namespace {

const int kWidth = 320;
const int kHeight = 240;
const int kRefreshes = 60;
const int kSoundPerRefresh = 735;  // 44,100 Hz

struct Ran {
  int status;
  std::string said;
};

// Runs the capture in folder (which holds the show's pictures and song) with the arguments.
Ran Capture(const ScratchFolder& folder, const std::vector<std::string>& arguments,
            const std::vector<std::string>& environment = {}) {
  std::vector<std::string> command = {"sh", "-c", "cd \"$0\" && exec \"$@\" 2>&1", folder.path(),
                                      CAPTURE_PATH};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string said = folder.File("said.txt");
  const int status = RunWithin(command, environment, 240000, said);
  return {status, ReadWholeFile(said)};
}

// The video's frames as 32-bit B,G,R,X pixels, or its sound as 16-bit stereo, as ffmpeg decodes
// them.
std::string Decoded(const std::string& video, bool sound) {
  const std::string command =
      "ffmpeg -v error -i '" + video + "' " +
      (sound ? "-map 0:a -f s16le -" : "-map 0:v -f rawvideo -pix_fmt bgr0 -");
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string bytes;
  char buffer[1 << 16];
  for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    bytes.append(buffer, got);
  if (pipe) pclose(pipe);
  return bytes;
}

// What each frame shows: black, white, one of the three pictures, or something else ('?').
std::string FrameNames(const std::string& frames, const ScratchFolder& folder) {
  const std::size_t size = std::size_t{kWidth} * kHeight * 4;
  std::vector<std::pair<char, std::string>> known = {{'b', std::string(size, '\0')},
                                                     {'w', std::string(size, '\xff')}};
  for (char picture : {'1', '2', '3'})
    known.push_back({picture, ReadWholeFile(folder.File(picture == '1' ? "min.raw"
                                                        : std::string("min") + picture + ".raw"))});
  std::string names;
  for (std::size_t at = 0; at + size <= frames.size(); at += size) {
    char name = '?';
    for (const auto& [which, pixels] : known) {
      bool same = pixels.size() == size;
      for (std::size_t i = 0; same && i < size; i++)
        same = i % 4 == 3 || frames[at + i] == pixels[i];  // the fourth byte is padding
      if (same) name = which;
    }
    names += name;
  }
  return names;
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WritePictures(folder.path()) && WriteSong(folder.path()));
  }
  ScratchFolder folder{"capture"};
};

TEST_F(CaptureTest, EveryPhaseIsFourRefreshesThePicturesChangeOnTimeAndTheSoundIsTheSong) {
  const int seconds = 10;
  const Ran run = Capture(folder, {"--scale", "1", "show.mkv", std::to_string(seconds)},
                          {"QUENTHOR_DISPLAY_GENTLE=0"});
  ASSERT_EQ(0, run.status) << run.said;
  EXPECT_NE(std::string::npos, run.said.find("show.mkv: 10 s of show, 600 frames")) << run.said;

  const std::string names = FrameNames(Decoded(folder.File("show.mkv"), false), folder);
  ASSERT_EQ(std::size_t{seconds * kRefreshes}, names.size());
  EXPECT_EQ(std::string::npos, names.find('?')) << names;
  // The first picture is frame 0: black; then white and the picture in turn, each phase a
  // whole four refreshes (a little over 50 ms is 66.7 ms on a 60 Hz grid), the last cut short.
  std::vector<std::pair<char, int>> phases;
  for (char name : names) {
    if (phases.empty() || phases.back().first != name) phases.push_back({name, 0});
    phases.back().second++;
  }
  EXPECT_EQ('b', phases.front().first);
  for (std::size_t i = 0; i + 1 < phases.size(); i++) {
    EXPECT_EQ(4, phases[i].second) << "phase " << i << " of " << names;
    if (i > 0) {
      EXPECT_EQ(i % 2 == 1, phases[i].first == 'w') << "phase " << i << " of " << names;
    }
  }
  // Each picture from its time on (4 s, 8 s), at the first picture phase that begins after it:
  // at most two phases later.
  EXPECT_EQ(names.find('2'), names.find_first_of("23"));
  EXPECT_GT(names.find('2'), std::size_t{4 * kRefreshes});
  EXPECT_LE(names.find('2'), std::size_t{4 * kRefreshes + 8});
  EXPECT_GT(names.find('3'), std::size_t{8 * kRefreshes});
  EXPECT_LE(names.find('3'), std::size_t{8 * kRefreshes + 8});
  EXPECT_EQ(std::string::npos, names.find('1', names.find('2')));
  EXPECT_EQ(std::string::npos, names.find('2', names.find('3')));

  // The sound: the song from its first sample at frame 0, as libopenmpt renders it.
  const std::string sound = Decoded(folder.File("show.mkv"), true);
  const std::size_t frames = std::size_t{seconds} * kRefreshes * kSoundPerRefresh;
  ASSERT_EQ(frames * 4, sound.size());
  const std::vector<std::int16_t> song =
      RenderWithLibopenmpt(OurSongBytes(), 44100, frames, kSoundPerRefresh);
  ASSERT_EQ(frames * 2, song.size());
  const std::int16_t* heard = reinterpret_cast<const std::int16_t*>(sound.data());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < song.size(); i++) differing += std::abs(heard[i] - song[i]) > 1;
  EXPECT_EQ(0u, differing) << "of " << song.size() << " samples";

  // As it is, the show breaks the flash thresholds; the check sees that in the video.
  EXPECT_EQ(1, RunWithin({FLASH_CHECK_PATH, folder.File("show.mkv")}, {}, 120000));
}

TEST_F(CaptureTest, TwoCapturesAreTheSameBytesAndGentleModePassesTheFlashCheck) {
  for (const char* name : {"one.mkv", "two.mkv"}) {
    const Ran run = Capture(folder, {name, "3"}, {"QUENTHOR_DISPLAY_GENTLE=0"});
    ASSERT_EQ(0, run.status) << run.said;
  }
  const std::string one = ReadWholeFile(folder.File("one.mkv"));
  EXPECT_FALSE(one.empty());
  EXPECT_TRUE(one == ReadWholeFile(folder.File("two.mkv")));

  const Ran gentle = Capture(folder, {"gentle.mp4", "10"}, {"QUENTHOR_DISPLAY_GENTLE=1"});
  ASSERT_EQ(0, gentle.status) << gentle.said;
  const std::string checked = folder.File("checked.txt");
  EXPECT_EQ(0, RunWithin({FLASH_CHECK_PATH, folder.File("gentle.mp4"), "--pictures",
                          folder.path()}, {}, 120000, checked))
      << ReadWholeFile(checked);
}

// Each says why, with its own status, and leaves no video and no temporary file behind.
TEST_F(CaptureTest, ARunThatMakesNoVideoSaysWhyAndLeavesNothing) {
  const std::string full = folder.File("full");
  std::filesystem::create_directory(full);
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    int status;
    const char* said;
  } rows[] = {
      {"only the usage asked for", {"--help", "x.mkv"}, {}, 0, "Usage: quenthor-capture"},
      {"no ffmpeg", {"x.mkv", "2"}, {"QUENTHOR_FFMPEG=/nowhere/ffmpeg"}, 2, "ffmpeg is needed"},
      {"a folder that isn't there", {"/nowhere/x.mkv", "2"}, {}, 2, "can't be written there"},
      {"a name of no known video", {"x.avi", "2"}, {}, 2, "must end in .mkv"},
      {"seconds out of range", {"x.mkv", "0"}, {}, 2, "SECONDS is 1 to 3600"},
      {"a full disk", {full + "/x.mkv", "10"}, {}, 3, "No space left on device"},
  };
  const bool canFill = RunWithin({"unshare", "-rm", "true"}, {}, 10000) == 0;
  for (const auto& row : rows) {
    std::vector<std::string> arguments = row.arguments;
    Ran run;
    if (row.status == 3) {
      if (!canFill) {
        std::fprintf(stderr, "%s: not run, without a mount namespace (unshare -rm)\n", row.what);
        continue;
      }
      // A folder of 1 MB where the video goes; what is left in it is listed after the run.
      const std::vector<std::string> filled = {
          "unshare", "-rm", "sh", "-c",
          "mount -t tmpfs -o size=1m tmpfs \"$1\" && cd \"$2\" && \"$3\" \"$4\" \"$5\" 2>&1; "
          "status=$?; echo left:; ls -A \"$1\"; exit $status",
          "sh", full, folder.path(), CAPTURE_PATH, arguments[0], arguments[1]};
      const std::string said = folder.File("said.txt");
      run = {RunWithin(filled, {}, 240000, said), ReadWholeFile(said)};
      EXPECT_EQ(std::string::npos, run.said.find("x.mkv", run.said.find("left:")))
          << row.what << ": " << run.said;
    } else {
      run = Capture(folder, arguments, row.environment);
    }
    EXPECT_EQ(row.status, run.status) << row.what << ": " << run.said;
    EXPECT_NE(std::string::npos, run.said.find(row.said)) << row.what << ": " << run.said;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name.find(".mkv") == std::string::npos && name.find(".avi") == std::string::npos)
          << row.what << ": left " << name;
    }
  }
}

}  // namespace
