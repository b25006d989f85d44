// The desktop's keys as the window system names them: virtual-key codes (the numbers Windows
// gives its keys), and the scan codes a PC keyboard sends for them, which key messages carry.
// Called by sdl/video.cpp (the SDL2 desktop's keys, sdl/keys.cpp) and by the window system (key
// messages' scan codes, keys.cpp, which a page's host uses too).
#pragma once

namespace platform {
namespace host {

// The virtual-key code for one of SDL's key codes (SDL_Keycode), or 0 for a key the window
// system doesn't report.
unsigned VirtualKeyFor(int sdlKeycode);

// The scan code (set 1, as a PC keyboard's controller reports it) of a virtual key, or 0 for a
// key without one.
unsigned ScanCodeFor(unsigned virtualKey);
// Whether the desktop's key, by SDL's scan code (SDL_Scancode), is an extended one: those, and
// the right-hand Alt and Ctrl, keypad Enter and keypad divide.
bool ExtendedKey(int sdlScancode);

}  // namespace host
}  // namespace platform
