#include "platform/host/one_screen/one_screen.h"

namespace platform {
namespace host {

OneScreen oneScreen;

bool ScreenFocusEvent(HostEvent* event) {
  if (!oneScreen.focusDue) return false;
  oneScreen.focusDue = false;
  return MadeEvent(event, HostEvent::kFocusGained, oneScreen.screen);
}

bool DrawableOnScreen(HostWindow window, const Picture& picture) {
  return window && window == oneScreen.screen && picture.bytes && picture.width > 0 &&
         picture.height > 0;
}

// --- Video: no display server to ask, nothing to start ---

bool DisplayServerPresent() { return true; }

bool StartVideo() {
  if (oneScreen.videoStarted) return true;
  oneScreen.videoStarted = true;
  oneScreen.choices = VideoChoicesFromEnvironment();
  return true;
}

void StopVideo() {
  ForgetRenderer();
  oneScreen.videoStarted = false;
}

bool VideoHeadless() { return !oneScreen.videoStarted; }

const VideoChoices& ChosenVideo() { return oneScreen.choices; }

HostWindow CreateRealWindow(const char*, int, int, bool) {
  if (!StartVideo()) return 0;
  return ++oneScreen.lastWindow;
}

void DestroyRealWindow(HostWindow window) { ForgetWindow(window); }

void ShowScreen(HostWindow window) {
  if (!window) return;
  if (window != oneScreen.screen) ForgetRenderer();
  oneScreen.screen = window;
  oneScreen.focusDue = true;
}

// The screen is all there is: nothing to give back or hide.
void GiveDesktopBack(HostWindow) {}

void HideWindow(HostWindow) {}

// --- What the screen holds ---

void RedrawNextPresent() { oneScreen.memory.showsLast = false; }

void ForgetWindow(HostWindow window) {
  if (window == oneScreen.screen) ForgetRenderer();
}

void ForgetRenderer() { ForgetScreen(&oneScreen.memory); }

}  // namespace host
}  // namespace platform
