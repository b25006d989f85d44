// The video of a driver whose one screen is not a desktop window (the page's canvas, the
// capture's video): the show's windows are only numbers, the one shown is the screen, and it
// gains the focus as it is shown, as a desktop would give it. one_screen.cpp answers the video
// and screen calls that follow from that; the driver puts pictures up and reads its own events.
#pragma once
#include "platform/host/driver.h"

namespace platform {
namespace host {

struct OneScreen {
  bool videoStarted;
  VideoChoices choices;
  HostWindow lastWindow;  // windows are numbered from 1
  HostWindow screen;      // the window shown as the screen
  bool focusDue;          // the screen was shown and hasn't heard of its focus yet
  ScreenMemory memory;    // what the screen holds
};
extern OneScreen oneScreen;

// The screen's focus, due once it is shown: true with the event made.
bool ScreenFocusEvent(HostEvent* event);
// The picture can go on the window: it is the screen, and the picture has pixels.
bool DrawableOnScreen(HostWindow window, const Picture& picture);

}  // namespace host
}  // namespace platform
