// The six converters on every kernel family against the per-pixel reference, and the
// reference against pixels worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_rows.h"
#include "tests/support/kernel_names.h"

namespace {

std::vector<std::uint8_t> Convert(RowConverter converter, const std::vector<std::uint32_t>& pixels,
                                  unsigned bytesPerPixel) {
  std::vector<std::uint8_t> out(pixels.size() * bytesPerPixel + 1, 0xCD);
  converter(pixels.data(), out.data(), static_cast<std::uint32_t>(pixels.size()));
  out.pop_back();
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", byte);
    text += digits;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

// Worked out by hand from the layouts' definitions; per layout, in TestLayouts() order
// (5-6-5 values low byte first).
struct KnownPixel {
  std::uint32_t pixel;
  const char* expected[6];
};

const KnownPixel kKnownPixels[] = {
    {0xFFFFFFFF, {"FF FF FF FF", "FF FF FF 00", "FF FF FF", "FF FF FF", "FF FF", "FF FF"}},
    {0x00000000, {"00 00 00 00", "00 00 00 00", "00 00 00", "00 00 00", "00 00", "00 00"}},
    {0x5A123456, {"56 34 12 5A", "12 34 56 00", "56 34 12", "12 34 56", "AA 11", "A2 51"}},
    {0x00070307, {"07 03 07 00", "07 03 07 00", "07 03 07", "07 03 07", "00 00", "00 00"}},
    {0x00080408, {"08 04 08 00", "08 04 08 00", "08 04 08", "08 04 08", "21 08", "21 08"}},
    {0xAB0000FF, {"FF 00 00 AB", "00 00 FF 00", "FF 00 00", "00 00 FF", "1F 00", "00 F8"}},
    {0x0000FF00, {"00 FF 00 00", "00 FF 00 00", "00 FF 00", "00 FF 00", "E0 07", "E0 07"}},
    {0x00FF0000, {"00 00 FF 00", "FF 00 00 00", "00 00 FF", "FF 00 00", "00 F8", "1F 00"}},
};

TEST(ReferenceRows, MatchHandWorkedPixels) {
  for (const KnownPixel& known : kKnownPixels) {
    for (std::size_t l = 0; l < TestLayouts().size(); ++l) {
      const TestLayout& layout = TestLayouts()[l];
      EXPECT_EQ(known.expected[l], Hex(Convert(layout.reference, {known.pixel}, layout.bytesPerPixel)))
          << layout.name << std::hex << " pixel 0x" << known.pixel;
    }
  }
}

TEST(ReferenceRows, ReductionTo565KeepsTheTopBitsOfEveryValue) {
  // Every channel value through both 16-bit layouts: no rounding, no dithering.
  for (std::uint32_t value = 0; value < 256; ++value) {
    std::vector<std::uint32_t> channels = {value, value << 8, value << 16};
    std::vector<std::uint8_t> rgb = Convert(ReferenceRowRGB565, channels, 2);
    std::vector<std::uint8_t> bgr = Convert(ReferenceRowBGR565, channels, 2);
    auto word = [](const std::vector<std::uint8_t>& bytes, int i) {
      return static_cast<std::uint32_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    };
    EXPECT_EQ(value >> 3, word(rgb, 0)) << value;          // blue
    EXPECT_EQ((value >> 2) << 5, word(rgb, 1)) << value;   // green
    EXPECT_EQ((value >> 3) << 11, word(rgb, 2)) << value;  // red
    EXPECT_EQ((value >> 3) << 11, word(bgr, 0)) << value;
    EXPECT_EQ((value >> 2) << 5, word(bgr, 1)) << value;
    EXPECT_EQ(value >> 3, word(bgr, 2)) << value;
  }
}

class KernelFamily : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!ProcessorHasFamily(GetParam())) {
      EXPECT_EQ(0, UseConverterKernels(GetParam()));
      GTEST_SKIP() << ConverterKernelsName(GetParam()) << " kernels not on this build/processor";
    }
    ASSERT_EQ(1, UseConverterKernels(GetParam()));
    ASSERT_EQ(GetParam(), ActiveConverterKernels());
  }
  void TearDown() override { UseConverterKernels(kKernelsFastest); }
};

// Converts pixels with layout's converter into a guarded, misaligned destination read from an
// exact-size, misaligned source; reports the first difference from the reference.
void ExpectSameAsReference(const TestLayout& layout, const std::vector<std::uint32_t>& pixels,
                           unsigned sourceMisalignment, unsigned destinationMisalignment,
                           int* failures) {
  std::uint32_t count = static_cast<std::uint32_t>(pixels.size());
  std::vector<std::uint8_t> expected = Convert(layout.reference, pixels, layout.bytesPerPixel);
  SourceRow source = MakeSourceRow(pixels, sourceMisalignment);
  DestinationRow destination = MakeDestinationRow(expected.size(), destinationMisalignment);
  layout.converter(source.pixels, destination.start, count);

  std::string where = std::string(layout.name) + " count " + std::to_string(count) +
                      " source +" + std::to_string(sourceMisalignment) + " destination +" +
                      std::to_string(destinationMisalignment);
  if (!GuardsIntact(destination)) {
    ADD_FAILURE() << where << ": wrote outside its output";
    ++*failures;
  }
  if (count != 0 && std::memcmp(expected.data(), destination.start, expected.size()) != 0) {
    std::size_t at = 0;
    while (expected[at] == destination.start[at]) ++at;
    std::size_t pixel = at / layout.bytesPerPixel;
    ADD_FAILURE() << where << ": byte " << at << " (pixel " << pixel << " = 0x" << std::hex
                  << pixels[pixel] << ") is 0x" << int(destination.start[at]) << ", expected 0x"
                  << int(expected[at]);
    ++*failures;
  }
}

TEST_P(KernelFamily, EveryLayoutEqualsTheReferenceAtEveryCountAndAlignment) {
  std::vector<std::uint32_t> counts;
  for (std::uint32_t count = 0; count <= 40; ++count) counts.push_back(count);
  counts.push_back(320);
  int failures = 0;
  std::uint32_t seed = 1;
  for (const TestLayout& layout : TestLayouts()) {
    for (std::uint32_t count : counts) {
      for (unsigned from = 0; from < 8; ++from) {
        for (unsigned to = 0; to < 8; ++to) {
          ExpectSameAsReference(layout, MixedPixels(count, seed++), from, to, &failures);
          if (failures > 10) return;
        }
      }
    }
  }
}

TEST_P(KernelFamily, RowsOfOneStepOrMoreEqualTheReferenceAtEveryDestinationAddress) {
  // The widest kernels align their stores and may convert a row's first and last pixels twice:
  // every position of the destination within 32 bytes, for rows around the step sizes.
  int failures = 0;
  std::uint32_t seed = 100000;
  for (const TestLayout& layout : TestLayouts()) {
    for (std::uint32_t count : {8u, 15u, 16u, 17u, 31u, 32u, 33u, 47u, 63u, 64u, 65u, 100u, 320u}) {
      for (unsigned from = 0; from < 4; ++from) {
        for (unsigned to = 0; to < 32; ++to) {
          ExpectSameAsReference(layout, MixedPixels(count, seed++), from, to, &failures);
          if (failures > 10) return;
        }
      }
    }
  }
}

TEST_P(KernelFamily, ExtremePixelsConvertLikeTheReferenceInEveryPosition) {
  // Each extreme visits every position of a 32-pixel step (the widest kernels' unit).
  const std::vector<std::uint32_t>& extremes = ExtremePixels();
  int failures = 0;
  for (const TestLayout& layout : TestLayouts()) {
    for (std::size_t shift = 0; shift < 32; ++shift) {
      std::vector<std::uint32_t> pixels(320);
      for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = extremes[(i / 32 + i + shift) % extremes.size()];
      }
      ExpectSameAsReference(layout, pixels, shift % 8, (shift / 8) % 8, &failures);
    }
  }
}

TEST_P(KernelFamily, EveryChannelValueConvertsLikeTheReference) {
  std::vector<std::uint32_t> pixels(256);
  for (std::uint32_t v = 0; v < 256; ++v) {
    pixels[v] = (v ^ 0x5A) << 24 | ((v * 37) & 0xFF) << 16 | (255 - v) << 8 | v;
  }
  int failures = 0;
  for (const TestLayout& layout : TestLayouts()) {
    ExpectSameAsReference(layout, pixels, 0, 0, &failures);
  }
}

TEST_P(KernelFamily, WhiteAndTheDroppedLowBitsInAStepAndInTheRemainder) {
  // Five pixels: one four-pixel step and one remainder pixel for the 64-bit kernels; all
  // remainder for the wider ones. White, then the low bits dropped and just above them.
  for (const KnownPixel& known : {kKnownPixels[0], kKnownPixels[3], kKnownPixels[4]}) {
    for (std::size_t l = 0; l < TestLayouts().size(); ++l) {
      const TestLayout& layout = TestLayouts()[l];
      std::vector<std::uint8_t> out = Convert(layout.converter, std::vector<std::uint32_t>(5, known.pixel),
                                              layout.bytesPerPixel);
      std::string all = known.expected[l];
      for (int i = 1; i < 5; ++i) all += std::string(" ") + known.expected[l];
      EXPECT_EQ(all, Hex(out)) << layout.name << std::hex << " pixel 0x" << known.pixel;
    }
  }
}

std::string FamilyName(const testing::TestParamInfo<int>& info) {
  return ConverterKernelsName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Converters, KernelFamily, testing::ValuesIn(BuiltKernelFamilies()),
                         FamilyName);

}  // namespace
