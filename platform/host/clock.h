// The host's clock, its sleep and its message box. Called by the kernel's stand-ins
// (win32/kernel.cpp: GetTickCount, Sleep, MessageBoxA), by the window system (message stamps)
// and by the screen (the refresh under a steered clock); the clock is steered by the controls.
#pragma once
#include <cstdint>

namespace platform {
namespace host {

// The clock everything above reads: the kernel's tick counter, the window system's message
// stamps and the screen's refresh. The defaults are a real run's.
struct ClockHooks {
  // Milliseconds now, wrapping at 2^32, read without side effects. Real: since SDL started.
  std::uint32_t (*ticks)();
  // On while time is steered from outside (a test's manual clock): time moves only when the
  // steerer moves it, so nothing may wait for real time. The screen's refresh then follows
  // ticks, and a blank waited for comes at once.
  bool steered;
};
// Both constant-initialised, so they hold before any code runs.
extern ClockHooks clockHooks;
extern const ClockHooks kRealClock;

// Gives up the processor for 0, else waits that many milliseconds of real time.
void SleepFor(std::uint32_t milliseconds);

// A box on the screen where there is one (an error's icon when error is set), else a line on
// standard error; returns once it is dismissed.
void ShowMessageBox(const char* text, const char* caption, bool error);

}  // namespace host
}  // namespace platform
