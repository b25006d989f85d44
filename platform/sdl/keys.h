// The desktop's keys as the show's window system names them: virtual-key codes, and the scan
// codes a PC keyboard sends for them, which key messages carry.
#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

// The virtual-key code for a key, or 0 for a key the window system doesn't report.
unsigned VirtualKeyFor(SDL_Keycode key);

// The scan code (set 1, as a PC keyboard's controller reports it) of a virtual key, or 0 for a
// key without one.
unsigned ScanCodeFor(unsigned virtualKey);
// Whether a virtual key's usual key is one of the extended block (the arrows and the six keys
// above them), which key messages mark in bit 24.
bool ExtendedKey(unsigned virtualKey);
// Whether the desktop's key is an extended one: those, and the right-hand Alt and Ctrl, keypad
// Enter and keypad divide.
bool ExtendedKey(SDL_Scancode key);

}  // namespace sdl
}  // namespace platform
