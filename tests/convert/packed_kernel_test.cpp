// The 64-bit packed kernels called directly: the block copy at byte counts that are not whole
// pixels, and floating-point arithmetic right after each kernel (the packed registers share
// their state with the floating-point unit).
#include <gtest/gtest.h>

#include "test_rows.h"
#include "tests/support/kernel_names.h"

#if defined(QUENTHOR_HAS_MMX_KERNELS)

namespace {

TEST(BlockCopy, CopiesExactlyTheBytesAtEveryCountAndAlignment) {
  std::mt19937 random(7);
  std::vector<std::size_t> counts;
  for (std::size_t count = 0; count <= 200; ++count) counts.push_back(count);
  counts.push_back(1280);  // a show row: 20 blocks, no remainder
  counts.push_back(1283);
  for (std::size_t count : counts) {
    for (unsigned from = 0; from < 8; ++from) {
      for (unsigned to = 0; to < 8; ++to) {
        std::unique_ptr<std::uint8_t[]> source = ExactBuffer(from + count);
        for (std::size_t i = 0; i < from + count; ++i) source[i] = static_cast<std::uint8_t>(random());
        DestinationRow destination = MakeDestinationRow(count, to);
        BlockCopy(source.get() + from, destination.start, count);
        ASSERT_TRUE(GuardsIntact(destination)) << count << " +" << from << " +" << to;
        ASSERT_EQ(0, count == 0 ? 0 : std::memcmp(destination.start, source.get() + from, count))
            << count << " +" << from << " +" << to;
      }
    }
  }
}

// Arithmetic the compiler can't fold, on the x87 unit: long double always is on x86, double is
// on the 32-bit build. Left in packed-integer state, the unit's register stack is full, every
// load overflows it and the results come out as NaN.
long double X87LongDoubleResult() {
  volatile long double a = 1.25L, b = 3.5L, c = 0.0625L;
  return a * b + c;  // 4.4375
}

double DoubleResult() {
  volatile double a = 0.75, b = 6.0, c = 0.125;
  return a * b - c;  // 4.375
}

void ExpectExactFloatingPoint(const char* after) {
  long double x87 = X87LongDoubleResult();
  double plain = DoubleResult();
  EXPECT_TRUE(x87 == 4.4375L) << "long double arithmetic after " << after;
  EXPECT_TRUE(plain == 4.375) << "double arithmetic after " << after;
}

TEST(PackedState, FloatingPointIsExactAfterEveryKernel) {
  std::vector<std::uint32_t> pixels = MixedPixels(320, 11);
  std::vector<std::uint8_t> out(320 * 4);
  BlockCopy(pixels.data(), out.data(), 1280);
  ExpectExactFloatingPoint("BlockCopy");
  // Whole rows, and the family's rows with a remainder and shorter than a step.
  const struct {
    const char* name;
    RowConverter kernel;
    std::uint32_t count;
  } kRuns[] = {{"MMX RGB24 row of 320", kMmxRows.rgb24, 320},
               {"MMX RGB565 row of 320", kMmxRows.rgb565, 320},
               {"MMX BGR565 row of 320", kMmxRows.bgr565, 320},
               {"MMX RGB24 row of 7", kMmxRows.rgb24, 7},
               {"MMX RGB565 row of 3", kMmxRows.rgb565, 3}};
  for (const auto& run : kRuns) {
    run.kernel(pixels.data(), out.data(), run.count);
    ExpectExactFloatingPoint(run.name);
  }
}

TEST(PackedState, FloatingPointIsExactAfterTheConvertersOnEveryFamily) {
  std::vector<std::uint32_t> pixels = MixedPixels(320, 12);
  std::vector<std::uint8_t> out(320 * 4);
  for (int kernels : AllKernelFamilies()) {
    if (!UseConverterKernels(kernels)) continue;
    for (const TestLayout& layout : TestLayouts()) {
      layout.converter(pixels.data(), out.data(), 320);
      ExpectExactFloatingPoint((std::string(ConverterKernelsName(kernels)) + " " + layout.name).c_str());
    }
  }
  UseConverterKernels(kKernelsFastest);
}

}  // namespace

#endif
