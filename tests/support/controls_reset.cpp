#include "tests/support/controls_reset.h"

#include <cstddef>

#include "display/display.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/sound_controls.h"
#include "tests/controls/trace.h"

void ResetControlsAndGlobals() {
  platform::ResetDisplayControls();
  platform::ResetKernelControls();
  platform::ResetSoundControls();
  platform::TraceKeep(false);
  platform::TraceClear();
  quitRequested = 0;
  appActive = 0;
  displayState = DisplayState();
}

__attribute__((noinline)) void FillStackBelow() {
  // Volatile, so the compiler keeps stores that nothing reads.
  volatile unsigned char below[64 * 1024];
  for (std::size_t i = 0; i < sizeof below; i++) below[i] = 0xA5;
}
