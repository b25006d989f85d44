// The desktop's keys as the window system names them: virtual-key codes (the numbers Windows
// gives its keys), and the scan codes a PC keyboard sends for them, which key messages carry.
// Called by video.cpp (the desktop's keys) and by the window system (key messages' scan codes).
#pragma once

namespace platform {
namespace host {

// The virtual-key code for one of SDL's key codes (SDL_Keycode), or 0 for a key the window
// system doesn't report.
unsigned VirtualKeyFor(int sdlKeycode);

// The scan code (set 1, as a PC keyboard's controller reports it) of a virtual key, or 0 for a
// key without one.
unsigned ScanCodeFor(unsigned virtualKey);
// Whether a virtual key's usual key is one of the extended block (the arrows and the six keys
// above them), which key messages mark in bit 24.
bool ExtendedKey(unsigned virtualKey);
// Whether the desktop's key, by SDL's scan code (SDL_Scancode), is an extended one: those, and
// the right-hand Alt and Ctrl, keypad Enter and keypad divide.
bool ExtendedKey(int sdlScancode);

}  // namespace host
}  // namespace platform
