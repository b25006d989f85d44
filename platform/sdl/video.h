// SDL2 underneath the window system: starting video, the real windows behind the show's
// windows, the pointer, and the desktop's events.
#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

// True when a display server is named (DISPLAY or WAYLAND_DISPLAY).
bool DisplayServerPresent();

// Starts SDL's video on first need and says whether it is there. The driver SDL_VIDEODRIVER names
// is used as it is (offscreen, for one). Otherwise a real screen is needed: with no display
// server, or one that doesn't answer, there is no video and DirectDrawCreate fails, as on a
// machine without display hardware.
bool StartVideo();
void StopVideo();
bool VideoStarted();
// True when the video driver shows nothing to a person (offscreen or dummy).
bool VideoHeadless();

// A borderless window; hidden unless visible is set. Null without video.
SDL_Window* CreateRealWindow(const char* title, int width, int height, bool visible);
void DestroyRealWindow(SDL_Window* window);
// Covers the desktop with the window and brings it to the front.
void ShowFullscreen(SDL_Window* window);
void MinimizeWindow(SDL_Window* window);
void HideWindow(SDL_Window* window);

// The pointer over our windows; remembered while video is down and applied when it starts.
void ShowPointer(bool visible);

// The next pending desktop event, if video is up.
bool NextEvent(SDL_Event* event);

}  // namespace sdl
}  // namespace platform
