// The desktop's keys as the show's window system names them: virtual-key codes.
#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

// The virtual-key code for a key, or 0 for a key the window system doesn't report.
unsigned VirtualKeyFor(SDL_Keycode key);

}  // namespace sdl
}  // namespace platform
