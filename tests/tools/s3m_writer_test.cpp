// The S3M writer: the file layout, a round trip through libopenmpt, and refused input.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/s3m_writer.h"

namespace {

unsigned U16(const std::vector<std::uint8_t>& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }

S3mModule SmallModule() {
  S3mModule module;
  module.title = "Small";
  module.initialSpeed = 5;
  module.initialTempo = 140;
  module.channelPan = {3, 12, 7};
  S3mSample square;
  square.name = "Square";
  for (int n = 0; n < 64; ++n) square.data.push_back(n < 32 ? 12000 : -12000);
  square.loop = true;
  square.loopStart = 0;
  square.loopEnd = 64;
  square.volume = 50;
  square.middleCRate = 16744;
  S3mSample ramp;
  ramp.name = "Ramp";
  ramp.sixteenBit = false;
  for (int n = 0; n < 100; ++n) ramp.data.push_back(static_cast<std::int16_t>(n * 256 - 12800));
  module.samples = {square, ramp};
  module.patterns.emplace_back(3);
  module.patterns.emplace_back(3);
  S3mCell& cell = module.patterns[1].rows[5][2];
  cell.note = S3mNote(5, 9);
  cell.sample = 2;
  cell.volume = 33;
  cell.effect = S3mEffect('H');
  cell.parameter = 0x42;
  module.orders = {1, 0, 1};
  return module;
}

TEST(S3mWriter, HeaderAndPointersFollowTheLayout) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodeS3m(SmallModule(), &bytes, &error)) << error;
  ASSERT_GE(bytes.size(), 96u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), "Small");
  EXPECT_EQ(bytes[28], 0x1A);
  EXPECT_EQ(bytes[29], 16);
  EXPECT_EQ(std::memcmp(bytes.data() + 44, "SCRM", 4), 0);
  EXPECT_EQ(U16(bytes, 32), 4u) << "three orders padded to an even count";
  EXPECT_EQ(U16(bytes, 34), 2u);
  EXPECT_EQ(U16(bytes, 36), 2u);
  EXPECT_EQ(bytes[49], 5);
  EXPECT_EQ(bytes[50], 140);
  EXPECT_EQ(bytes[96 + 3], 255) << "the padding order marks the end";
  for (int channel = 3; channel < 32; ++channel) EXPECT_EQ(bytes[64 + channel], 255) << channel;
  // Every pointer lands on a paragraph inside the file; sample headers carry their tag.
  const std::size_t pointers = 96 + 4;
  for (int i = 0; i < 4; ++i) {
    const std::size_t offset = U16(bytes, pointers + 2 * i) * 16u;
    ASSERT_GT(offset, 0u);
    ASSERT_LT(offset + 2, bytes.size());
    if (i < 2) {
      EXPECT_EQ(std::memcmp(bytes.data() + offset + 76, "SCRS", 4), 0);
    }
  }
  // The pan table follows the pointers, each entry flagged as present.
  EXPECT_EQ(bytes[pointers + 8 + 0], 0x20 | 3);
  EXPECT_EQ(bytes[pointers + 8 + 1], 0x20 | 12);
  // The 8-bit ramp is stored unsigned: its first value -12800 becomes 128 - 50.
  const std::size_t rampHeader = U16(bytes, pointers + 2) * 16u;
  const std::size_t rampData = ((bytes[rampHeader + 13] << 16) | U16(bytes, rampHeader + 14)) * 16u;
  ASSERT_EQ(rampData + 100, bytes.size());
  EXPECT_EQ(bytes[rampData], 128 - 50);
  EXPECT_EQ(bytes[rampData + 99], 128 + 49);
}

TEST(S3mWriter, LibopenmptReadsBackWhatWasWritten) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodeS3m(SmallModule(), &bytes, &error)) << error;
  openmpt_module* module = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(openmpt_module_get_num_channels(module), 3);
  EXPECT_EQ(openmpt_module_get_num_samples(module), 2);
  EXPECT_EQ(openmpt_module_get_num_patterns(module), 2);
  ASSERT_EQ(openmpt_module_get_num_orders(module), 3);
  EXPECT_EQ(openmpt_module_get_order_pattern(module, 0), 1);
  EXPECT_EQ(openmpt_module_get_order_pattern(module, 1), 0);
  const char* name = openmpt_module_get_sample_name(module, 1);
  EXPECT_STREQ(name, "Ramp");
  openmpt_free_string(name);
  // Exactly one cell holds anything: pattern 1, row 5, channel 2, with its sample and volume.
  int filled = 0;
  for (int pattern = 0; pattern < 2; ++pattern)
    for (int row = 0; row < 64; ++row)
      for (int channel = 0; channel < 3; ++channel) {
        const int note = openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel, OPENMPT_MODULE_COMMAND_NOTE);
        const int sample = openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel, OPENMPT_MODULE_COMMAND_INSTRUMENT);
        const int volume = openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel, OPENMPT_MODULE_COMMAND_VOLUME);
        const int parameter = openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel, OPENMPT_MODULE_COMMAND_PARAMETER);
        if (note || sample || volume || parameter) {
          ++filled;
          EXPECT_EQ(pattern, 1);
          EXPECT_EQ(row, 5);
          EXPECT_EQ(channel, 2);
          EXPECT_EQ(sample, 2);
          EXPECT_EQ(volume, 33);
          EXPECT_EQ(parameter, 0x42);
        }
      }
  EXPECT_EQ(filled, 1);
  openmpt_module_destroy(module);
}

TEST(S3mWriter, RefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* what;
    void (*spoil)(S3mModule*);
  };
  const Case cases[] = {
      {"no channels", [](S3mModule* m) { m->channelPan.clear(); }},
      {"17 channels", [](S3mModule* m) { m->channelPan.assign(17, 7); }},
      {"pan 16", [](S3mModule* m) { m->channelPan[0] = 16; }},
      {"missing pattern", [](S3mModule* m) { m->orders.push_back(2); }},
      {"no orders", [](S3mModule* m) { m->orders.clear(); }},
      {"loop past the end", [](S3mModule* m) { m->samples[0].loopEnd = 65; }},
      {"cell volume 65", [](S3mModule* m) { m->patterns[0].rows[0][0].volume = 65; }},
      {"missing sample", [](S3mModule* m) { m->patterns[0].rows[0][0].sample = 3; }},
      {"semitone 12", [](S3mModule* m) { m->patterns[0].rows[0][0].note = 0x4C; }},
      {"note on an unused channel", [](S3mModule* m) {
         m->patterns[0].rows[0].resize(4);
         m->patterns[0].rows[0][3].note = S3mNote(4, 0);
       }},
      {"tempo 20", [](S3mModule* m) { m->initialTempo = 20; }},
  };
  for (const Case& bad : cases) {
    S3mModule module = SmallModule();
    bad.spoil(&module);
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(EncodeS3m(module, &bytes, &error)) << bad.what;
    EXPECT_FALSE(error.empty()) << bad.what;
  }
}

TEST(S3mWriter, ReportsAFileItCannotWrite) {
  std::string error;
  EXPECT_FALSE(WriteS3m(SmallModule(), "/nonexistent-folder/x.s3m", &error));
  EXPECT_NE(error.find("/nonexistent-folder/x.s3m"), std::string::npos);
}

}  // namespace
