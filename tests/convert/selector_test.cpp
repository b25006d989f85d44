// The choice of converter from a surface's pixel format, and of the kernel family behind it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "test_rows.h"
#include "tests/support/kernel_names.h"

namespace {

struct Format {
  std::uint32_t bits, red, green, blue;
  RowConverter converter;
};

// Each converter's format as it writes it: its pixel's size, and where pure red, green and blue
// land in the pixel's value (stored low byte first).
std::vector<Format> FormatsTheConvertersWrite() {
  std::vector<Format> formats;
  for (const TestLayout& layout : TestLayouts()) {
    std::uint32_t masks[3];
    const FramePixel primaries[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    for (int i = 0; i < 3; i++) {
      std::uint8_t bytes[4] = {};
      layout.converter(&primaries[i], bytes, 1);
      masks[i] = 0;
      for (unsigned b = 0; b < layout.bytesPerPixel; b++)
        masks[i] |= std::uint32_t{bytes[b]} << (8 * b);
    }
    formats.push_back({8 * layout.bytesPerPixel, masks[0], masks[1], masks[2], layout.converter});
  }
  return formats;
}
// Read when first asked, not as the program starts: the death tests below need a process in
// which no converter has run.
const std::vector<Format>& Supported() {
  static const std::vector<Format> formats = FormatsTheConvertersWrite();
  return formats;
}

TEST(SelectRowConverter, EachSupportedFormatGetsItsConverter) {
  ASSERT_EQ(6u, Supported().size());
  for (const Format& f : Supported()) {
    EXPECT_EQ(f.converter, SelectRowConverter(f.bits, f.red, f.green, f.blue))
        << f.bits << " bits, red 0x" << std::hex << f.red;
  }
}

TEST(SelectRowConverter, TheConverterIsTheSameWhateverKernelsRunBehindIt) {
  for (int kernels : AllKernelFamilies()) {
    if (!UseConverterKernels(kernels)) continue;
    EXPECT_EQ(ConvertRowRGB565, SelectRowConverter(16, 0xF800, 0x07E0, 0x001F));
    EXPECT_EQ(kernels, ActiveConverterKernels()) << "selection must not undo a chosen family";
  }
  UseConverterKernels(kKernelsFastest);
}

TEST(SelectRowConverter, RefusesFiveFiveFiveAndOtherDepths) {
  EXPECT_EQ(nullptr, SelectRowConverter(16, 0x7C00, 0x03E0, 0x001F));
  EXPECT_EQ(nullptr, SelectRowConverter(15, 0x7C00, 0x03E0, 0x001F));
  EXPECT_EQ(nullptr, SelectRowConverter(16, 0x001F, 0x03E0, 0x7C00));
  // 8 bits (palettised) and every other depth, whatever the masks.
  for (std::uint32_t bits = 0; bits <= 64; ++bits) {
    if (bits == 16 || bits == 24 || bits == 32) continue;
    for (const Format& f : Supported()) {
      EXPECT_EQ(nullptr, SelectRowConverter(bits, f.red, f.green, f.blue)) << bits << " bits";
    }
    EXPECT_EQ(nullptr, SelectRowConverter(bits, 0, 0, 0)) << bits << " bits";
  }
}

TEST(SelectRowConverter, AnyMaskMismatchGivesNone) {
  for (const Format& f : Supported()) {
    for (int bit = 0; bit < 32; ++bit) {
      std::uint32_t flip = 1u << bit;
      EXPECT_EQ(nullptr, SelectRowConverter(f.bits, f.red ^ flip, f.green, f.blue));
      EXPECT_EQ(nullptr, SelectRowConverter(f.bits, f.red, f.green ^ flip, f.blue));
      EXPECT_EQ(nullptr, SelectRowConverter(f.bits, f.red, f.green, f.blue ^ flip));
    }
    // The right masks in the wrong roles.
    EXPECT_EQ(nullptr, SelectRowConverter(f.bits, f.red, f.blue, f.green));
    EXPECT_EQ(nullptr, SelectRowConverter(f.bits, f.green, f.red, f.blue));
  }
  // Masks of one depth at another.
  EXPECT_EQ(nullptr, SelectRowConverter(32, 0xF800, 0x07E0, 0x001F));
  EXPECT_EQ(nullptr, SelectRowConverter(24, 0xF800, 0x07E0, 0x001F));
  EXPECT_EQ(nullptr, SelectRowConverter(16, 0x00FF0000, 0x0000FF00, 0x000000FF));
}

TEST(KernelFamilies, FastestIsTheWidestThisBuildAndProcessorOffer) {
  // The families come narrowest first: the last one that can be chosen is the one "fastest"
  // must stand for.
  int expected = kKernelsNone;
  for (int kernels : AllKernelFamilies()) {
    int chosen = UseConverterKernels(kernels);
    EXPECT_EQ(ProcessorHasFamily(kernels) ? 1 : 0, chosen) << ConverterKernelsName(kernels);
    if (chosen) expected = kernels;
  }
  EXPECT_EQ(expected, FastestConverterKernels());
  ASSERT_EQ(1, UseConverterKernels(kKernelsFastest));
  EXPECT_EQ(expected, ActiveConverterKernels());
}

TEST(KernelFamilies, AnUnknownFamilyLeavesTheChoiceAlone) {
  ASSERT_EQ(1, UseConverterKernels(kKernelsReference));
  EXPECT_EQ(0, UseConverterKernels(99));
  EXPECT_EQ(0, UseConverterKernels(-1));
  EXPECT_EQ(0, UseConverterKernels(kKernelsNone));  // "none chosen" is no family to choose
  EXPECT_EQ(kKernelsReference, ActiveConverterKernels());
  UseConverterKernels(kKernelsFastest);
}

// In a fresh process no family has been chosen yet. The "threadsafe" style re-runs the test
// binary for just the one test, so the child starts with the module's state untouched.
void SelectThenExit() {
  int before = ActiveConverterKernels();
  RowConverter chosen = SelectRowConverter(24, 0xFF0000, 0x00FF00, 0x0000FF);
  bool ok = before == kKernelsNone && chosen == ConvertRowRGB24 &&
            ActiveConverterKernels() == FastestConverterKernels();
  std::exit(ok ? 0 : 1);
}

// Each converter, the first to run, still converts into its own layout.
void ConvertThenExit(const TestLayout& layout) {
  std::uint32_t pixel = 0x00123456;
  std::uint8_t out[4] = {0, 0, 0, 0}, expected[4] = {0, 0, 0, 0};
  int before = ActiveConverterKernels();
  layout.converter(&pixel, out, 1);
  layout.reference(&pixel, expected, 1);
  bool ok = before == kKernelsNone && std::memcmp(out, expected, 4) == 0 &&
            ActiveConverterKernels() == FastestConverterKernels();
  std::exit(ok ? 0 : 1);
}

TEST(KernelFamiliesDeathTest, SelectionChoosesTheFastestFamily) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(SelectThenExit(), testing::ExitedWithCode(0), "");
}

TEST(KernelFamiliesDeathTest, AConverterCalledBeforeAnySelectionChoosesTheFastest) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const TestLayout& layout : TestLayouts()) {
    EXPECT_EXIT(ConvertThenExit(layout), testing::ExitedWithCode(0), "") << layout.name;
  }
}

}  // namespace
