// Our song as the asset tool writes it: it loads in libopenmpt, lasts at least 30 s before it
// loops, and plays at a sound level, neither silent nor clipped.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

#include "tests/support/our_song.h"
#include "tests/support/scratch_folder.h"
#include "tools/assets.h"
#include "tools/song.h"

namespace {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

TEST(OurSong, TheToolWritesItAndLibopenmptLoadsIt) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteSong(folder.path()));
  const std::vector<std::uint8_t> bytes = ReadFileBytes(folder.File("Terminal.s3m"));
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes, OurSongBytes()) << "the song is the same on every run";
  openmpt_module* module = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(module, nullptr);
  const char* type = openmpt_module_get_metadata(module, "type");
  EXPECT_STREQ(type, "s3m");
  openmpt_free_string(type);
  EXPECT_EQ(openmpt_module_get_num_channels(module), kSongChannels);
  EXPECT_GE(openmpt_module_get_num_samples(module), 6);
  // The duration counts up to the point where the song would repeat itself.
  const double seconds = openmpt_module_get_duration_seconds(module);
  EXPECT_GE(seconds, 30.0);
  EXPECT_LE(seconds, 180.0);
  openmpt_module_destroy(module);
}

TEST(OurSong, UsesAHandfulOfEffects) {
  S3mModule song;
  std::string error;
  ASSERT_TRUE(ComposeSong(&song, &error)) << error;
  std::set<char> effects;
  std::set<int> sampleUsed;
  for (const S3mPattern& pattern : song.patterns)
    for (const std::vector<S3mCell>& row : pattern.rows)
      for (const S3mCell& cell : row) {
        if (cell.effect) effects.insert(static_cast<char>('A' + cell.effect - 1));
        if (cell.sample) sampleUsed.insert(cell.sample);
      }
  EXPECT_GE(effects.size(), 5u);
  EXPECT_EQ(effects.count('B'), 1u) << "the song loops through its own jump";
  EXPECT_EQ(sampleUsed.size(), song.samples.size()) << "every instrument is played";
}

TEST(OurSong, SoundsAtAGoodLevelThroughout) {
  openmpt_module* module = openmpt_module_create_from_memory2(
      OurSongBytes().data(), OurSongBytes().size(), openmpt_log_func_silent, nullptr,
      openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(module, nullptr);
  const int rate = 44100;
  const std::size_t window = 2 * rate;  // frames
  std::vector<std::int16_t> samples(2 * window);
  int peak = 0;
  int windows = 0;
  for (;;) {
    const std::size_t got = openmpt_module_read_interleaved_stereo(module, rate, window, samples.data());
    if (got < window) break;  // the last partial window is the fade into the loop
    double sum = 0.0;
    for (std::int16_t value : samples) {
      sum += static_cast<double>(value) * value;
      peak = std::max(peak, std::abs(static_cast<int>(value)));
    }
    const double rmsDb = 20 * std::log10(std::sqrt(sum / samples.size()) / 32768.0);
    EXPECT_GT(rmsDb, -30.0) << "quiet at " << 2 * windows << " s";
    EXPECT_LT(rmsDb, -8.0) << "loud at " << 2 * windows << " s";
    ++windows;
  }
  openmpt_module_destroy(module);
  EXPECT_GE(windows, 15);
  EXPECT_LT(peak, 32000) << "the loudest moment clips or nearly clips";
  EXPECT_GT(peak, 16000) << "the song never gets near full level";
}

}  // namespace
