// Test controls of the kernel stand-ins, through their hooks: a manual tick clock, a hook on
// every Sleep, a trap for ExitProcess and a capture of message boxes. The manual clock steers
// the host's clock, so the screen's refresh follows it and nothing waits for real blanks.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The manual clock: GetTickCount returns exactly what the test set, and Sleep(ms) returns at
// once after moving the clock on by ms. The real clock comes back with ClockUseReal.
void ClockUseManual(std::uint32_t now);
void ClockSet(std::uint32_t now);
void ClockAdvance(std::uint32_t milliseconds);
void ClockUseReal();
// The manual clock moves on by step after every GetTickCount, so that two readings in a row
// differ and a test can tell which reading a value came from. 0 (the start): it stands still
// between readings.
void ClockStepPerReading(std::uint32_t step);
// What the next GetTickCount would return, read without moving the clock or tracing a call.
std::uint32_t ClockNow();
// Under the manual clock time moves only when the test moves it, which it does at the show's
// yields. A program that reads the clock kClockReadingsWithoutSleep times with no Sleep between
// is waiting for time that will never come: that GetTickCount throws ClockStuck instead, so the
// test ends rather than hangs.
const std::uint32_t kClockReadingsWithoutSleep = 1000000;
struct ClockStuck {
  std::uint32_t now;
};

// Called at the end of every Sleep, with its argument. The show yields once per pass, so a test
// sees every pass here: it can read the screen, move the clock and inject messages.
void SetSleepHook(std::function<void(std::uint32_t milliseconds)> hook);

// While trapped, ExitProcess throws ProcessExitTrapped instead of ending the process, so a test
// can run the whole show in its own process and read the exit status.
struct ProcessExitTrapped {
  unsigned status;
};
void TrapExitProcess(bool on);

// While captured, MessageBoxA shows nothing and returns at once as if dismissed with OK; the
// last box is kept for the test.
struct CapturedMessageBox {
  int count = 0;
  std::string text;
  std::string caption;
  unsigned type = 0;
};
void CaptureMessageBoxes(bool on);
CapturedMessageBox LastMessageBox();

// Puts every kernel stand-in control back to its start: real clock, no hook, no trap, no capture,
// and the kernel's hooks the real ones.
void ResetKernelControls();

}  // namespace platform
