#include "tests/support/controls_reset.h"

#include "display/display.h"
#include "platform/controls/display_controls.h"
#include "platform/controls/kernel_controls.h"
#include "platform/controls/sound_controls.h"
#include "platform/controls/trace.h"

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
