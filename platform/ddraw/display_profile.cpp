#include "platform/ddraw/display_profile.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ddraw/layouts.h"

namespace platform {
namespace ddraw {

DisplayProfile DefaultDisplayProfile() { return DisplayProfile(); }

bool ProfileForLayoutName(const char* name, DisplayProfile* profile) {
  ScreenLayout layout;
  if (!LayoutFromName(name, &layout)) return false;
  DisplayProfile chosen = DefaultDisplayProfile();
  const DWORD depth = Describe(layout).bitCount;
  chosen.accepts32 = depth == 32;
  chosen.accepts24 = depth == 24;
  chosen.accepts16 = depth == 16;
  if (depth == 32) chosen.layout32 = layout;
  if (depth == 24) chosen.layout24 = layout;
  if (depth == 16) chosen.layout16 = layout;
  if (depth == 8) {
    // Palette indices stand in for the deepest mode, so the show meets them at once.
    chosen.accepts32 = true;
    chosen.layout32 = layout;
  }
  *profile = chosen;
  return true;
}

DisplayProfile ProfileFromEnvironment() {
  DisplayProfile profile = DefaultDisplayProfile();
  const char* chosen = std::getenv("QUENTHOR_DISPLAY_LAYOUT");
  if (!chosen || !*chosen) return profile;
  if (!ProfileForLayoutName(chosen, &profile)) {
    std::fprintf(stderr,
                 "Quenthor: QUENTHOR_DISPLAY_LAYOUT=%s is not a layout (xrgb32, xbgr32, rgb24, "
                 "bgr24, rgb565, bgr565, rgb555, pal8); the screen offers every depth\n",
                 chosen);
    return DefaultDisplayProfile();
  }
  return profile;
}

}  // namespace ddraw
}  // namespace platform
