#include "platform/host/screen.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <vector>

#include "platform/host/clock.h"
#include "platform/host/driver.h"
#include "platform/host/gentle.h"
#include "platform/host/hooks.h"
#include "platform/host/video.h"

namespace platform {
namespace host {

namespace {

// A renderer without vsync is paced to the usual 60 Hz refresh.
const double kPacedIntervalSeconds = 1.0 / 60.0;
// A vsync that returns at once (a driver that claims it and doesn't wait) still can't run the
// loop faster than this.
const double kVsyncFloorSeconds = 1.0 / 240.0;

struct ScreenState {
  HostWindow window = 0;
  SDL_Renderer* renderer = nullptr;
  bool vsyncCapable = false;
  bool vsyncOn = false;
  SDL_Texture* texture = nullptr;
  std::uint32_t textureFormat = 0;
  int textureWidth = 0;
  int textureHeight = 0;
  Uint64 paceOrigin = 0;  // the paced refresh's first blank
  Uint64 lastVsyncPresent = 0;
  ScreenMemory memory = {};
};
ScreenState screen;

void DropTexture() {
  if (screen.texture) SDL_DestroyTexture(screen.texture);
  screen.texture = nullptr;
  screen.textureFormat = 0;
  ScreenLost(&screen.memory);  // a new texture holds nothing yet
}

// Whether the picture is cheaper drawn in software than through GL. An X server without direct
// rendering (a virtual one, or a remote one) has only a software GL rasteriser, which costs far
// more than drawing the picture in software and putting it up through shared memory.
bool WithoutDirectRendering(SDL_Window* window) {
  SDL_SysWMinfo system;
  SDL_VERSION(&system.version);
  if (!SDL_GetWindowWMInfo(window, &system) || system.subsystem != SDL_SYSWM_X11) return false;
  int opcode, event, error;
  Display* display = system.info.x11.display;
  return !XQueryExtension(display, "DRI3", &opcode, &event, &error) &&
         !XQueryExtension(display, "DRI2", &opcode, &event, &error);
}

bool RendererNamedByUser() {
  const char* renderer = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  return renderer && *renderer;
}

bool EnsureRenderer(HostWindow id) {
  if (screen.renderer && screen.window == id) return true;
  ForgetRenderer();
  SDL_Window* window = SDL_GetWindowFromID(id);
  if (!window) return false;
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
  screen.window = id;
  SDL_RendererInfo info;
  // SDL's software renderer claims vsync but puts the picture up at once: it is paced by us.
  screen.vsyncCapable = SDL_GetRendererInfo(screen.renderer, &info) == 0 &&
                        (info.flags & SDL_RENDERER_PRESENTVSYNC) &&
                        !(info.flags & SDL_RENDERER_SOFTWARE);
  screen.vsyncOn = screen.vsyncCapable;
  return true;
}

// SDL's packed formats are whole native-endian values, its 24-bit ones byte arrays: RGB24 is
// memory R,G,B, so the layout with red in the high bits (memory B,G,R) is SDL's BGR24 and the
// other way round.
const std::uint32_t kSdlFormats[] = {  // in the order of PixelLayout
    SDL_PIXELFORMAT_XRGB8888, SDL_PIXELFORMAT_XBGR8888, SDL_PIXELFORMAT_BGR24,
    SDL_PIXELFORMAT_RGB24,    SDL_PIXELFORMAT_RGB565,   SDL_PIXELFORMAT_BGR565,
    SDL_PIXELFORMAT_RGB555};

bool EnsureTexture(const Picture& picture) {
  // Gentle viewing draws its own picture, in 32 bits.
  const std::uint32_t format = ChosenVideo().gentle
                                   ? static_cast<std::uint32_t>(SDL_PIXELFORMAT_XRGB8888)
                                   : kSdlFormats[static_cast<int>(picture.layout)];
  if (screen.texture && screen.textureFormat == format &&
      screen.textureWidth == picture.width && screen.textureHeight == picture.height)
    return true;
  DropTexture();
  screen.texture = SDL_CreateTexture(screen.renderer, format,
                                     SDL_TEXTUREACCESS_STREAMING, picture.width, picture.height);
  if (!screen.texture) {
    std::fprintf(stderr, "Quenthor: no texture for the picture (SDL: %s)\n", SDL_GetError());
    return false;
  }
  SDL_SetTextureScaleMode(screen.texture, SDL_ScaleModeNearest);
  screen.textureFormat = format;
  screen.textureWidth = picture.width;
  screen.textureHeight = picture.height;
  return true;
}

Uint64 PaceStep() {
  return static_cast<Uint64>(kPacedIntervalSeconds * SDL_GetPerformanceFrequency());
}


// The window as the hook watching it sees it.
void ShowToWatcher(int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
  if (SDL_RenderReadPixels(screen.renderer, nullptr, SDL_PIXELFORMAT_XRGB8888, pixels.data(),
                           width * 4) != 0)
    hooks.rendered(nullptr, 0, 0);
  else
    hooks.rendered(pixels.data(), width, height);
}

// The end of every present: true when it waited for the blank, under vsync, where the present
// itself waits. A floor is kept, in case the driver claims vsync and doesn't wait.
bool WaitAfterPresent() {
  if (!screen.vsyncOn) return false;
  const Uint64 floor = static_cast<Uint64>(kVsyncFloorSeconds * SDL_GetPerformanceFrequency());
  if (screen.lastVsyncPresent != 0) SleepUntilCounter(screen.lastVsyncPresent + floor);
  screen.lastVsyncPresent = SDL_GetPerformanceCounter();
  return true;
}

}  // namespace

void RedrawNextPresent() { screen.memory.showsLast = false; }

std::uint64_t PacedBlank() {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (screen.paceOrigin == 0) screen.paceOrigin = now;
  return (now - screen.paceOrigin) / PaceStep();
}

void WaitForPacedBlankAfter(std::uint64_t blank) {
  // The performance counter and the sleep's clock may differ by a little: look again.
  while (PacedBlank() <= blank) SleepUntilCounter(screen.paceOrigin + (blank + 1) * PaceStep());
}

bool Present(HostWindow window, const Picture& picture, bool waitForBlank) {
  const bool drawable = window && picture.bytes && picture.width > 0 && picture.height > 0 &&
                        (!VideoHeadless() || hooks.rendered) && EnsureRenderer(window) &&
                        EnsureTexture(picture);
  // A flip that doesn't wait must not stall in the renderer either.
  const bool wantVsync = drawable && MayWaitForBlank(waitForBlank) && screen.vsyncCapable;
  if (drawable && wantVsync != screen.vsyncOn) {
    SDL_RenderSetVSync(screen.renderer, wantVsync ? 1 : 0);
    screen.vsyncOn = wantVsync;
  }
  // Under vsync the present is itself the wait for the blank, so it always happens.
  const PresentPlan plan = PlanPresent(&screen.memory, picture, drawable, screen.vsyncOn);
  if (!plan.putUp) return false;
  if (plan.redraw == PresentPlan::kGentle) {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(screen.texture, nullptr, &pixels, &pitch) == 0) {
      GentleDraw(plan.now, static_cast<std::uint8_t*>(pixels), pitch);
      SDL_UnlockTexture(screen.texture);
      GentleDrew(&screen.memory, plan.now);
    }
  } else if (plan.redraw == PresentPlan::kPicture) {
    SDL_UpdateTexture(screen.texture, nullptr, picture.bytes, picture.pitch);
  }
  int outputWidth = 0;
  int outputHeight = 0;
  SDL_GetRendererOutputSize(screen.renderer, &outputWidth, &outputHeight);
  const PicturePlace placed =
      PlacePicture(picture.width, picture.height, outputWidth, outputHeight);
  const SDL_Rect place = {placed.x, placed.y, placed.w, placed.h};
  SDL_SetRenderDrawColor(screen.renderer, 0, 0, 0, 255);
  SDL_RenderClear(screen.renderer);
  SDL_RenderCopy(screen.renderer, screen.texture, nullptr, &place);
  if (hooks.rendered) ShowToWatcher(outputWidth, outputHeight);
  SDL_RenderPresent(screen.renderer);
  return WaitAfterPresent();
}

void ForgetWindow(HostWindow window) {
  if (window == screen.window) ForgetRenderer();
}

void ForgetRenderer() {
  DropTexture();
  if (screen.renderer) SDL_DestroyRenderer(screen.renderer);
  screen.renderer = nullptr;
  screen.window = 0;
  screen.vsyncCapable = false;
  screen.vsyncOn = false;
  // A new window starts gentle viewing over, from black.
  ForgetScreen(&screen.memory);
}

}  // namespace host
}  // namespace platform
