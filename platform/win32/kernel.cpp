// Kernel services: the tick counter, yielding, ending the process and the message box.
//
// Traced calls: "GetTickCount -> <ticks>" (every reading, with its value), "Sleep <ms>",
// "ExitProcess <status>", "MessageBoxA "<text>" "<caption>" <type>".
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/sdl/video.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/kernel_hooks.h"
#include "platform/win32/win32_declarations.h"

namespace platform {
namespace {

std::uint32_t RealTicks() { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

void RealSleep(std::uint32_t milliseconds) {
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    SDL_Delay(milliseconds);
}

void RealExit(unsigned status) {
  std::fflush(nullptr);
  std::exit(static_cast<int>(status));
}

int RealMessageBox(const char* text, const char* caption, unsigned type) {
  // A real box where there is a screen to show it on; standard error where there is none.
  if (sdl::DisplayServerPresent() &&
      SDL_ShowSimpleMessageBox(
          (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION, caption,
          text, nullptr) == 0)
    return 1;  // IDOK
  std::fprintf(stderr, "%s: %s\n", caption, text);
  return 1;
}

}  // namespace

// Both constant-initialised, so they hold before any code runs.
const KernelHooks kRealKernel = {RealTicks, nullptr, RealSleep, RealExit, RealMessageBox};
KernelHooks kernelHooks = {RealTicks, nullptr, RealSleep, RealExit, RealMessageBox};

}  // namespace platform

using platform::kernelHooks;
using platform::TraceCall;

DWORD WINAPI GetTickCount() {
  const DWORD now = kernelHooks.readTicks();
  TraceCall("GetTickCount -> %u", static_cast<unsigned>(now));
  if (kernelHooks.ticksRead) kernelHooks.ticksRead();
  return now;
}

void WINAPI Sleep(DWORD milliseconds) {
  TraceCall("Sleep %u", static_cast<unsigned>(milliseconds));
  kernelHooks.sleep(milliseconds);
}

void WINAPI ExitProcess(UINT exitCode) {
  TraceCall("ExitProcess %u", exitCode);
  kernelHooks.exitProcess(exitCode);
  platform::kRealKernel.exitProcess(exitCode);
  std::abort();  // not reached: the real way out ends the process
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  TraceCall("MessageBoxA \"%s\" \"%s\" %u", text ? text : "", caption ? caption : "", type);
  return kernelHooks.messageBox(text ? text : "", caption ? caption : "", type);
}
