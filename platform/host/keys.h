// The desktop's keys as the window system names them: virtual-key codes (the numbers Windows
// gives its keys), and the scan codes a PC keyboard sends for them, which key messages carry.
// Called by the drivers as they read a key (the SDL2 desktop's own key names are sdl/keys.cpp's)
// and by the window system (key messages' scan codes, keys.cpp).
#pragma once

namespace platform {
namespace host {

// The virtual-key code for one of SDL's key codes (SDL_Keycode), or 0 for a key the window
// system doesn't report.
unsigned VirtualKeyFor(int sdlKeycode);

// The scan code (set 1, as a PC keyboard's controller reports it) of a virtual key, or 0 for a
// key without one.
unsigned ScanCodeFor(unsigned virtualKey);
// Where a key sits, as both drivers can tell: the main block (or a key there is only one of),
// the left or right one of a pair, or the keypad.
enum class KeyPlace { kMain, kLeft, kRight, kNumpad };
// Whether the key is one of the extended ones, whose key messages say so: the right-hand Alt
// and Ctrl, keypad Enter and keypad divide, and the arrows and the six keys above them outside
// the keypad. Called by both drivers as they read a key.
bool ExtendedKey(unsigned virtualKey, KeyPlace place);
// Where the desktop's key sits, by SDL's scan code (SDL_Scancode). Called by sdl/video.cpp.
KeyPlace SdlKeyPlace(int sdlScancode);

}  // namespace host
}  // namespace platform
