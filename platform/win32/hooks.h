// Where the window-system and kernel stand-ins can be steered or watched from outside: Sleep's
// wait, the way ExitProcess leaves, MessageBoxA's box, the loader's start-up faults and the
// messages delivered. The defaults are a real run's. The tick counter is the host's clock
// (platform/host/clock.h), steered there.
#pragma once
#include <cstdint>

#include "platform/win32/win32_declarations.h"

namespace platform {
namespace win32 {

// A message as it reached a window procedure, or waits in the thread's queue.
struct WindowMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool sent;  // delivered straight to the procedure by the system, not through DispatchMessageA
};

struct Hooks {
  // Told of every GetTickCount, after the counter was read for it. Real: nothing happens.
  void (*ticksRead)();
  // What Sleep does with its argument. Real: gives up the processor for 0, else waits that long.
  void (*sleep)(std::uint32_t milliseconds);
  // How ExitProcess leaves. Real: flushes standard output and ends the process with the status.
  // Another hook may leave by throwing; if it returns, the process ends the real way.
  void (*exitProcess)(unsigned status);
  // MessageBoxA's box, with text and caption never null; returns the button pressed. Real: a
  // box on the screen where there is one, else a line on standard error; OK either way.
  int (*messageBox)(const char* text, const char* caption, unsigned type);
  // LoadLibraryA finds no library; GetProcAddress finds no entry.
  bool librariesMissing;
  bool entriesMissing;
  // Hears every message that reaches a window procedure, sent or dispatched, just before the
  // procedure does. Null: nobody listens.
  void (*delivered)(const WindowMessage& message);
};

// The hooks in force; they start as kRealHooks.
extern Hooks hooks;
extern const Hooks kRealHooks;

}  // namespace win32
}  // namespace platform
