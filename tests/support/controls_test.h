// The fixture of the tests that drive the stand-ins through their controls: each starts from
// every control and global reset, on the manual clock (so flips don't wait for a real refresh)
// with the trace kept, and leaves everything reset for the next.
#pragma once
#include <gtest/gtest.h>

#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/support/controls_reset.h"

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetControlsAndGlobals();
    platform::ClockUseManual(1000);
    platform::TraceKeep(true);
  }
  void TearDown() override { ResetControlsAndGlobals(); }
};
