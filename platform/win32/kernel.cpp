// Kernel services: the tick counter, yielding, ending the process and the message box.
//
// Traced calls: "GetTickCount -> <ticks>" (every reading, with its value), "Sleep <ms>",
// "ExitProcess <status>", "MessageBoxA "<text>" "<caption>" <type>".
#include <cstdio>
#include <cstdlib>

#include "platform/host/clock.h"
#include "platform/host/hooks.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/hooks.h"
#include "platform/win32/win32_declarations.h"

namespace platform {
namespace win32 {
namespace {

void RealExit(unsigned status) {
  std::fflush(nullptr);
  std::exit(static_cast<int>(status));
}

int RealMessageBox(const char* text, const char* caption, unsigned type) {
  host::ShowMessageBox(text, caption, (type & MB_ICONERROR) != 0);
  return 1;  // IDOK
}

}  // namespace

// Both constant-initialised, so they hold before any code runs.
const Hooks kRealHooks = {nullptr, host::SleepFor, RealExit, RealMessageBox, false, false, nullptr};
Hooks hooks = {nullptr, host::SleepFor, RealExit, RealMessageBox, false, false, nullptr};

}  // namespace win32
}  // namespace platform

using platform::win32::hooks;

DWORD WINAPI GetTickCount() {
  const DWORD now = platform::host::hooks.ticks();
  TraceCall("GetTickCount -> %u", static_cast<unsigned>(now));
  if (hooks.ticksRead) hooks.ticksRead();
  return now;
}

void WINAPI Sleep(DWORD milliseconds) {
  TraceCall("Sleep %u", static_cast<unsigned>(milliseconds));
  hooks.sleep(milliseconds);
}

void WINAPI ExitProcess(UINT exitCode) {
  TraceCall("ExitProcess %u", exitCode);
  hooks.exitProcess(exitCode);
  platform::win32::kRealHooks.exitProcess(exitCode);
  std::abort();  // not reached: the real way out ends the process
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  TraceCall("MessageBoxA \"%s\" \"%s\" %u", text ? text : "", caption ? caption : "", type);
  return hooks.messageBox(text ? text : "", caption ? caption : "", type);
}
