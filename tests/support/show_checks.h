// Checks on the show run as a process, natively or as the Windows package under Wine.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/support/virtual_display.h"

// The show ends within timeoutMs, with status expected.
inline void ExpectEndsWith(ShowProcess& show, int expected, int timeoutMs) {
  int status = -1;
  ASSERT_TRUE(show.WaitForExit(timeoutMs, &status)) << "still running after " << timeoutMs
                                                     << " ms";
  EXPECT_EQ(status, expected);
}

// The song is heard in samples (16-bit, interleaved): loud peaks, and not silence with a click.
inline void ExpectHeard(const std::vector<std::int16_t>& samples) {
  ASSERT_FALSE(samples.empty());
  int peak = 0;
  double energy = 0;
  for (std::int16_t sample : samples) {
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
    energy += static_cast<double>(sample) * sample;
  }
  ASSERT_GT(peak, 2000) << "silence";
  EXPECT_GT(std::sqrt(energy / samples.size()), 300.0);
}
