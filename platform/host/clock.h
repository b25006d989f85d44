// The host's sleep and its message box, for the kernel's stand-ins (win32/kernel.cpp: Sleep,
// MessageBoxA). GetTickCount reads the host's clock through hooks.h.
#pragma once
#include <cstdint>

namespace platform {
namespace host {

// Gives up the processor for 0, else waits that many milliseconds of real time.
void SleepFor(std::uint32_t milliseconds);
// Sleeps until SDL's performance counter reads due, at least. Called by SleepFor and by the
// screen's pacing (sdl/screen.cpp); the desktop's alone, as the page's host has no such counter.
void SleepUntilCounter(std::uint64_t due);

// A box on the screen where there is one (an error's icon when error is set), else a line on
// standard error; returns once it is dismissed.
void ShowMessageBox(const char* text, const char* caption, bool error);

}  // namespace host
}  // namespace platform
