// Where the kernel stand-ins can be steered from outside: Sleep's wait, the way ExitProcess
// leaves, and MessageBoxA's box. The defaults are a real run's. The tick counter is the host's
// clock (platform/host/clock.h), steered there.
#pragma once
#include <cstdint>

namespace platform {
namespace win32 {

struct KernelHooks {
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
};

// The hooks in force; they start as kRealKernel.
extern KernelHooks kernelHooks;
extern const KernelHooks kRealKernel;

}  // namespace win32
}  // namespace platform
