#include "platform/sdl/screen.h"

#ifndef __EMSCRIPTEN__
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/sdl/browser.h"
#include "platform/sdl/video.h"

namespace platform {
namespace sdl {

ScreenHooks screenHooks;

namespace {

// A renderer without vsync is paced to the usual 60 Hz refresh; one with vsync still keeps a
// floor, in case the driver claims vsync and doesn't wait.
const double kPacedIntervalSeconds = 1.0 / 60.0;
#ifndef __EMSCRIPTEN__
const double kVsyncFloorSeconds = 1.0 / 240.0;
#endif

struct ScreenState {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  bool vsyncCapable = false;
  bool vsyncOn = false;
  SDL_Texture* texture = nullptr;
  std::uint32_t textureFormat = 0;
  int textureWidth = 0;
  int textureHeight = 0;
  Uint64 paceOrigin = 0;      // the paced refresh's first blank
  Uint64 lastVsyncPresent = 0;
  // The window shows the picture of the last Present, so the same picture again needn't be drawn.
  bool showsLast = false;
};
ScreenState screen;

void DropTexture() {
  if (screen.texture) SDL_DestroyTexture(screen.texture);
  screen.texture = nullptr;
  screen.textureFormat = 0;
}

// An X server without direct rendering (a virtual one, or a remote one) has only a software GL
// rasteriser, which costs far more than drawing the picture in software and putting it up
// through shared memory.
bool WithoutDirectRendering(SDL_Window* window) {
#ifdef __EMSCRIPTEN__
  (void)window;
  return false;  // a page's canvas: WebGL
#else
  SDL_SysWMinfo system;
  SDL_VERSION(&system.version);
  if (!SDL_GetWindowWMInfo(window, &system) || system.subsystem != SDL_SYSWM_X11) return false;
  int opcode, event, error;
  Display* display = system.info.x11.display;
  return !XQueryExtension(display, "DRI3", &opcode, &event, &error) &&
         !XQueryExtension(display, "DRI2", &opcode, &event, &error);
#endif
}

bool RendererNamedByUser() {
  const char* renderer = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  return renderer && *renderer;
}

bool EnsureRenderer(SDL_Window* window) {
  if (screen.renderer && screen.window == window) return true;
  ForgetRenderer();
  if (!RendererNamedByUser() && WithoutDirectRendering(window)) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    screen.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!screen.renderer) screen.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!screen.renderer) screen.renderer = SDL_CreateRenderer(window, -1, 0);
  if (!screen.renderer) {
    std::fprintf(stderr, "Quenthor: nothing can draw on the window (SDL: %s)\n", SDL_GetError());
    return false;
  }
  screen.window = window;
  SDL_RendererInfo info;
  // SDL's software renderer claims vsync but puts the picture up at once: it is paced by us.
  screen.vsyncCapable = SDL_GetRendererInfo(screen.renderer, &info) == 0 &&
                        (info.flags & SDL_RENDERER_PRESENTVSYNC) &&
                        !(info.flags & SDL_RENDERER_SOFTWARE);
#ifdef __EMSCRIPTEN__
  // A page's canvas is shown at the browser's next frame, which Present waits for.
  screen.vsyncCapable = true;
#endif
  screen.vsyncOn = screen.vsyncCapable;
  return true;
}

bool EnsureTexture(const Picture& picture) {
  if (screen.texture && screen.textureFormat == picture.sdlFormat &&
      screen.textureWidth == picture.width && screen.textureHeight == picture.height)
    return true;
  DropTexture();
  screen.texture = SDL_CreateTexture(screen.renderer, picture.sdlFormat,
                                     SDL_TEXTUREACCESS_STREAMING, picture.width, picture.height);
  if (!screen.texture) {
    std::fprintf(stderr, "Quenthor: no texture for the picture (SDL: %s)\n", SDL_GetError());
    return false;
  }
  SDL_SetTextureScaleMode(screen.texture, SDL_ScaleModeNearest);
  screen.textureFormat = picture.sdlFormat;
  screen.textureWidth = picture.width;
  screen.textureHeight = picture.height;
  return true;
}

Uint64 PaceStep() {
  return static_cast<Uint64>(kPacedIntervalSeconds * SDL_GetPerformanceFrequency());
}

void SleepUntil(Uint64 due) {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (now >= due) return;
  const Uint64 frequency = SDL_GetPerformanceFrequency();
#ifdef __EMSCRIPTEN__
  SleepInBrowser(static_cast<unsigned>((due - now) * 1000 / frequency) + 1);
  return;
#endif
  std::this_thread::sleep_for(std::chrono::nanoseconds((due - now) * 1000000000ull / frequency));
}

#ifndef __EMSCRIPTEN__
// A vsync that returns at once (a driver that claims it and doesn't wait) still can't run the
// loop faster than this floor.
void KeepVsyncFloor() {
  const Uint64 frequency = SDL_GetPerformanceFrequency();
  const Uint64 floor = static_cast<Uint64>(kVsyncFloorSeconds * frequency);
  if (screen.lastVsyncPresent != 0) SleepUntil(screen.lastVsyncPresent + floor);
  screen.lastVsyncPresent = SDL_GetPerformanceCounter();
}
#endif

}  // namespace

void RedrawNextPresent() { screen.showsLast = false; }

SDL_Rect PlacePicture(int pictureWidth, int pictureHeight, int outputWidth, int outputHeight) {
  int scale = 1;
  if (pictureWidth > 0 && pictureHeight > 0) {
    const int across = outputWidth / pictureWidth;
    const int down = outputHeight / pictureHeight;
    scale = across < down ? across : down;
    if (scale < 1) scale = 1;
  }
  SDL_Rect place;
  place.w = pictureWidth * scale;
  place.h = pictureHeight * scale;
  place.x = (outputWidth - place.w) / 2;
  place.y = (outputHeight - place.h) / 2;
  return place;
}

std::uint64_t PacedBlanks() {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (screen.paceOrigin == 0) screen.paceOrigin = now;
  return (now - screen.paceOrigin) / PaceStep();
}

void WaitForPacedBlankAfter(std::uint64_t blank) {
  // The performance counter and the sleep's clock may differ by a little: look again.
  while (PacedBlanks() <= blank) SleepUntil(screen.paceOrigin + (blank + 1) * PaceStep());
}

void WaitForBlank() { WaitForPacedBlankAfter(PacedBlanks()); }

bool Present(SDL_Window* window, const Picture& picture, bool waitForBlank) {
  const bool watched = screenHooks.rendered != nullptr;
  const bool render = window && picture.bytes && picture.width > 0 && picture.height > 0 &&
                      (!VideoHeadless() || watched);
#ifdef __EMSCRIPTEN__
  // The page changed size (fullscreen came, a phone turned): the renderer's viewport doesn't
  // follow the canvas by itself.
  if (render && FitWindowToPage(window) && screen.renderer) SDL_RenderSetViewport(screen.renderer, nullptr);
#endif
  if (!render || !EnsureRenderer(window) || !EnsureTexture(picture)) {
    screen.showsLast = false;
    return false;
  }
  // A flip that doesn't wait must not stall in the renderer either.
  const bool wantVsync = waitForBlank && screen.vsyncCapable;
#ifdef __EMSCRIPTEN__
  screen.vsyncOn = wantVsync;  // the browser's frame, waited for below, not the renderer's
#else
  if (wantVsync != screen.vsyncOn) {
    SDL_RenderSetVSync(screen.renderer, wantVsync ? 1 : 0);
    screen.vsyncOn = wantVsync;
  }
#endif
  // Under vsync the present itself is the wait for the blank, so it always happens; paced by
  // our own clock, an unchanged picture needn't be drawn again.
  if (!screen.vsyncOn && !watched && screen.showsLast && picture.sameAsLast) return false;
  screen.showsLast = true;
  SDL_UpdateTexture(screen.texture, nullptr, picture.bytes, picture.pitch);
  int outputWidth = 0;
  int outputHeight = 0;
  SDL_GetRendererOutputSize(screen.renderer, &outputWidth, &outputHeight);
  const SDL_Rect place = PlacePicture(picture.width, picture.height, outputWidth, outputHeight);
  SDL_SetRenderDrawColor(screen.renderer, 0, 0, 0, 255);
  SDL_RenderClear(screen.renderer);
  SDL_RenderCopy(screen.renderer, screen.texture, nullptr, &place);
  if (watched) screenHooks.rendered(screen.renderer, outputWidth, outputHeight);
  SDL_RenderPresent(screen.renderer);
  if (!screen.vsyncOn) return false;
#ifdef __EMSCRIPTEN__
  WaitForBrowserFrame();
#else
  KeepVsyncFloor();
#endif
  return true;
}

void ForgetWindow(SDL_Window* window) {
  if (window == screen.window) ForgetRenderer();
}

void ForgetRenderer() {
  DropTexture();
  screen.showsLast = false;
  if (screen.renderer) SDL_DestroyRenderer(screen.renderer);
  screen.renderer = nullptr;
  screen.window = nullptr;
  screen.vsyncCapable = false;
  screen.vsyncOn = false;
}

void ResetScreen() {
  ForgetRenderer();
  screen.paceOrigin = 0;
  screen.lastVsyncPresent = 0;
}

}  // namespace sdl
}  // namespace platform
