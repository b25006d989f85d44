#include "platform/ddraw/display_profile.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ddraw/layouts.h"

namespace platform {
namespace ddraw {

bool ProfileForLayoutName(const char* name, DisplayProfile* profile) {
  ScreenLayout layout;
  if (!LayoutFromName(name, &layout)) return false;
  DisplayProfile chosen;
  // Palette indices stand in for the deepest mode, so the show meets them at once.
  const DWORD bits = Describe(layout).bitCount;
  const DWORD depth = bits == 8 ? 32 : bits;
  chosen.accepts32 = depth == 32;
  chosen.accepts24 = depth == 24;
  chosen.accepts16 = depth == 16;
  if (depth == 32) chosen.layout32 = layout;
  if (depth == 24) chosen.layout24 = layout;
  if (depth == 16) chosen.layout16 = layout;
  *profile = chosen;
  return true;
}

DisplayProfile ProfileFromEnvironment() {
  DisplayProfile profile;
  const char* chosen = std::getenv("QUENTHOR_DISPLAY_LAYOUT");
  if (chosen && *chosen && !ProfileForLayoutName(chosen, &profile)) {
    std::fprintf(stderr, "Quenthor: QUENTHOR_DISPLAY_LAYOUT=%s is not a layout (", chosen);
    // Named as the layouts' own table names them.
    for (int index = 0; index <= static_cast<int>(ScreenLayout::kPalette8); index++)
      std::fprintf(stderr, "%s%s", index ? ", " : "",
                   Describe(static_cast<ScreenLayout>(index)).name);
    std::fprintf(stderr, "); the screen offers every depth\n");
  }
  return profile;
}

}  // namespace ddraw
}  // namespace platform
