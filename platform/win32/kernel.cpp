// Kernel services: the tick counter, yielding, ending the process and the message box.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/sdl/video.h"
#include "platform/testing/journal.h"
#include "platform/testing/kernel_controls.h"
#include "platform/win32/win32_declarations.h"

namespace platform {
namespace {

struct KernelControls {
  bool manualClock = false;
  std::uint32_t manualNow = 0;
  std::function<void(std::uint32_t)> sleepHook;
  bool trapExit = false;
  bool captureBoxes = false;
  CapturedMessageBox lastBox;
};
KernelControls controls;

}  // namespace

void ClockUseManual(std::uint32_t now) {
  controls.manualClock = true;
  controls.manualNow = now;
}
void ClockSet(std::uint32_t now) { controls.manualNow = now; }
void ClockAdvance(std::uint32_t milliseconds) { controls.manualNow += milliseconds; }
void ClockUseReal() { controls.manualClock = false; }
bool ClockIsManual() { return controls.manualClock; }
void SetSleepHook(std::function<void(std::uint32_t)> hook) { controls.sleepHook = std::move(hook); }
void TrapExitProcess(bool on) { controls.trapExit = on; }
void CaptureMessageBoxes(bool on) {
  controls.captureBoxes = on;
  controls.lastBox = CapturedMessageBox();
}
CapturedMessageBox LastMessageBox() { return controls.lastBox; }
void ResetKernelControls() { controls = KernelControls(); }

}  // namespace platform

using platform::controls;

DWORD WINAPI GetTickCount() {
  if (controls.manualClock) return controls.manualNow;
  // Milliseconds since the first reading, wrapping at 2^32 like the system counter.
  return static_cast<DWORD>(SDL_GetTicks64());
}

void WINAPI Sleep(DWORD milliseconds) {
  platform::JournalRecord("Sleep %u", static_cast<unsigned>(milliseconds));
  if (controls.manualClock) {
    controls.manualNow += milliseconds;
  } else if (milliseconds == 0) {
    std::this_thread::yield();
  } else {
    SDL_Delay(milliseconds);
  }
  if (controls.sleepHook) controls.sleepHook(milliseconds);
}

void WINAPI ExitProcess(UINT exitCode) {
  platform::JournalRecord("ExitProcess %u", exitCode);
  if (controls.trapExit) throw platform::ProcessExitTrapped{exitCode};
  std::fflush(nullptr);
  std::exit(static_cast<int>(exitCode));
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  platform::JournalRecord("MessageBoxA \"%s\" \"%s\" %u", text ? text : "", caption ? caption : "",
                          type);
  if (controls.captureBoxes) {
    controls.lastBox.count++;
    controls.lastBox.text = text ? text : "";
    controls.lastBox.caption = caption ? caption : "";
    controls.lastBox.type = type;
    return 1;  // IDOK
  }
  // A real box where there is a screen to show it on; standard error where there is none.
  if (platform::sdl::DisplayServerPresent() &&
      SDL_ShowSimpleMessageBox((type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR
                                                     : SDL_MESSAGEBOX_INFORMATION,
                               caption ? caption : "", text ? text : "",
                               nullptr) == 0)
    return 1;
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return 1;
}
