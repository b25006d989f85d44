// DirectDraw's own teardown between tests: built beside the layer, not into it (the shipped show
// never calls it), and linked by the test controls.
#include "platform/ddraw/device.h"
#include "platform/ddraw/objects.h"
#include "platform/host/screen.h"

namespace platform {
namespace ddraw {

void ResetDevice() {
  DisplayHardware& hardware = Hardware();
  for (Surface* surface : hardware.surfaces) delete surface;
  for (DirectDraw* object : hardware.objects) delete object;
  hardware = DisplayHardware();
  ProfileInForce() = DisplayProfile();
  host::ForgetRenderer();
}

}  // namespace ddraw
}  // namespace platform
