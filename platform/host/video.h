// The host's video: starting it, the real windows behind the show's windows, the pointer, and
// the desktop's events. Windows are named by the host's own small numbers, never by a pointer
// of the library underneath. Each call names its callers; the window system is
// win32/window_system.cpp, DirectDraw ddraw/direct_draw.cpp. Implemented by sdl/video.cpp over SDL2
// on a desktop, by one_screen/ where the one screen is a page's canvas or the capture's video.
#pragma once
#include <cstdint>

namespace platform {
namespace host {

// A real window on the desktop; 0 is none.
typedef std::uint32_t HostWindow;

// True when a display server is named (DISPLAY or WAYLAND_DISPLAY); always in a page.
// Called by StartVideo and the message box (sdl/clock.cpp).
bool DisplayServerPresent();

// Starts the host's video on first need and says whether it is there. The driver
// SDL_VIDEODRIVER names is used as it is (offscreen, for one). Otherwise a real screen is
// needed: with no display server, or one that doesn't answer, there is no video and
// DirectDrawCreate fails, as on a machine without display hardware. Called by DirectDrawCreate,
// and by CreateRealWindow.
bool StartVideo();
// Called by the window system once its last window is gone.
void StopVideo();
// True when the video driver shows nothing to a person (offscreen or dummy). Called by the screen.
bool VideoHeadless();

// How the show's screen meets the desktop, as a person picks it: covering the whole desktop, or
// in a desktop window (QUENTHOR_DISPLAY_WINDOW=1), for those who want the rest of their desktop
// kept, or the strobe smaller; and, for people sensitive to flashing light, gentle viewing
// (QUENTHOR_DISPLAY_GENTLE=1, see gentle.h). Read from the environment each time video starts.
struct VideoChoices {
  bool window = false;
  bool gentle = false;
};
// QUENTHOR_DISPLAY_WINDOW: 1 picks it; unset, empty or 0 leaves it off; any other value is
// named on standard error and left off. QUENTHOR_DISPLAY_GENTLE fails closed (GentleAskedBy):
// anything but a plain no, or unset, picks gentle viewing.
VideoChoices VideoChoicesFromEnvironment();
// The choices in force since video started.
const VideoChoices& ChosenVideo();
// The window mode's window when first shown: twice the show's 320x240 mode.
const int kScreenWindowWidth = 640;
const int kScreenWindowHeight = 480;

// Called by the window system, for a window of the show that must be seen.
// A borderless window; hidden unless visible is set. 0 without video.
HostWindow CreateRealWindow(const char* title, int width, int height, bool visible);
// Called by the window system as the show's window goes.
void DestroyRealWindow(HostWindow window);
// Called by the window system for DirectDraw's exclusive mode and the application's activation.
// Shows the window as the show's screen and brings it to the front: covering the desktop, or,
// in window mode, as a bordered, resizable desktop window, 640x480 and centred when first shown
// (a title bar and a border, since some window managers won't resize a borderless window).
void ShowScreen(HostWindow window);
// The program lost the focus: a window covering the desktop is minimized, which gives the
// desktop back, as exclusive mode does; a window in window mode stays where the person put it.
void GiveDesktopBack(HostWindow window);
void HideWindow(HostWindow window);

// Called by the window system's SetCursor.
// The pointer over our windows; remembered while video is down and applied when it starts.
void ShowPointer(bool visible);

// What the desktop tells the program. The window is 0 when the desktop names none of ours.
struct HostEvent {
  enum Kind {
    kKeyDown,
    kKeyUp,
    kPointerMoved,  // over the window, or it came under the pointer
    kFocusGained,
    kFocusLost,
    kCloseRequest,  // the window's close box; with window 0, the desktop asks the program to end
  };
  Kind kind;
  HostWindow window;
  // Keys: the virtual-key code (see keys.h), never 0; whether it is one of the extended
  // keys; and the modifiers held as the desktop knows them.
  unsigned virtualKey;
  bool extended;
  bool alt;
  bool ctrl;
  bool shift;
};
// Called by the window system as PeekMessageA reads the desktop.
// The next pending event, if video is up. Events nobody above needs (keys without a virtual
// key, a window exposed) are handled here.
bool NextEvent(HostEvent* event);

}  // namespace host
}  // namespace platform
