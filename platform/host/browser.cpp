// The browser page's side of the host (see per_host.h): built instead of desktop.cpp.
#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/host/per_host.h"
#include "platform/host/screen.h"

namespace {

// The page as the show's screen sees it: its size, in the screen's own pixels (which a phone has
// several of to each page pixel), and whether it is hidden. The page's own events keep it (a
// resize: fullscreen came, a phone turned, a zoom), so that no frame has to ask the page; a
// window moved to a screen of another density gets no resize, and the frame's wake tells of it.
struct PageState {
  int width;
  int height;
  bool hidden;
  bool watched;  // the events are followed (once for the instance, which is the show's)
};
PageState page;

// The density it was read at is kept with it, for the frame's wake to compare and for the
// canvas to be placed at.
void ReadPageSize() {
  EM_ASM({ Module['quenthorDensity'] = devicePixelRatio; });
  page.width = EM_ASM_INT({ return Math.floor(window.innerWidth * Module['quenthorDensity']); });
  page.height = EM_ASM_INT({ return Math.floor(window.innerHeight * Module['quenthorDensity']); });
}

// Asyncify saves the show's stack, the page runs, and its next animation frame resumes the show.
// A hidden page gets no animation frames: a timer then resumes it instead, whether the page was
// hidden before the wait or during it (WakeByTimer), so that the show's clock and sound go on as
// on a desktop that lost the focus. A show that ends while resumed leaves by emscripten's
// ExitStatus, which is the end, not an error; anything else thrown from the show aborts it, so
// that the page hears of it (onAbort) instead of a frozen picture over a song that plays on.
// True when the screen's density is no longer the one the page's size was read at.
EM_JS(bool, WaitForAnimationFrame, (bool hidden), {
  return Asyncify.handleSleep(function(wakeUp) {
    function wake() {
      if (Module['quenthorWake'] !== wake) return;  // woken already
      Module['quenthorWake'] = null;
      try {
        wakeUp(devicePixelRatio !== Module['quenthorDensity']);
      } catch (thrown) {
        if (thrown instanceof ExitStatus) return;
        try {
          abort(thrown && thrown.message ? thrown.message : String(thrown));
        } catch (aborted) {
          // abort() throws for its callers; the page has been told.
        }
      }
    }
    Module['quenthorWake'] = wake;
    requestAnimationFrame(wake);
    if (hidden) setTimeout(wake, 100);
  });
});

EM_JS(void, WakeByTimer, (), {
  var wake = Module['quenthorWake'];
  if (wake) setTimeout(wake, 100);
});

EM_BOOL PageResized(int, const EmscriptenUiEvent*, void*) {
  ReadPageSize();
  return EM_FALSE;
}

EM_BOOL PageVisibilityChanged(int, const EmscriptenVisibilityChangeEvent* event, void*) {
  page.hidden = event->hidden;
  if (page.hidden) WakeByTimer();
  return EM_FALSE;
}

void WatchPage() {
  if (page.watched) return;
  // The instance's event handlers go with it, when the show ends or the page halts it.
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, PageResized);
  emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, PageVisibilityChanged);
  EmscriptenVisibilityChangeEvent visibility;
  page.hidden = emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS &&
                visibility.hidden;
  ReadPageSize();
  page.watched = true;
}

// The canvas holds the picture at the picture's own size, and the browser enlarges it on the
// page: by whole numbers, centred, as a desktop shows it (the page asks for sharp, pixelated
// scaling and a black stage). A change of picture then sends the picture's pixels to the
// canvas, not the page's, whether the canvas draws with WebGL or in 2D. The placing is looked at
// before each picture, as the page's size changes. True when the canvas's own size changed,
// which clears it.
struct CanvasState {
  int pageWidth;  // the page's size it was placed for
  int pageHeight;
  int pictureWidth;
  int pictureHeight;
};
CanvasState canvas;

bool FitCanvasToPicture(SDL_Window* window, int pictureWidth, int pictureHeight) {
  if (!window || pictureWidth <= 0 || pictureHeight <= 0) return false;
  const bool resized = pictureWidth != canvas.pictureWidth || pictureHeight != canvas.pictureHeight;
  if (!resized && page.width == canvas.pageWidth && page.height == canvas.pageHeight) return false;
  if (resized) SDL_SetWindowSize(window, pictureWidth, pictureHeight);
  // Placed in the screen's own pixels, so that a phone's screen, with several of them to a page
  // pixel, gets the largest whole multiple that fits it, not only of the page's pixels.
  const platform::host::PicturePlace placed =
      platform::host::PlacePicture(pictureWidth, pictureHeight, page.width, page.height);
  EM_ASM({
    var style = Module['canvas'].style;
    var ratio = Module['quenthorDensity'];
    style.position = 'absolute';
    style.left = $0 / ratio + 'px';
    style.top = $1 / ratio + 'px';
    style.width = $2 / ratio + 'px';
    style.height = $3 / ratio + 'px';
  }, placed.x, placed.y, placed.w, placed.h);
  canvas = CanvasState{page.width, page.height, pictureWidth, pictureHeight};
  return resized;
}

// The canvas's picture in the canvas's own layout (bytes R,G,B,A), kept from one picture to the
// next: made once, not per frame.
std::vector<std::uint32_t> canvasPixels;

// The page's side of putting canvasPixels up: one ImageData over the WebAssembly memory itself,
// made again only when the memory grew (its old buffer is gone) or the picture's size changed, so
// that putImageData is the picture's only copy on the way to the canvas.
EM_JS(void, PutCanvasPixels, (const std::uint32_t* pixels, int width, int height), {
  var canvas = Module['canvas'];
  var page = Module['quenthorCanvasPicture'];
  if (!page || page.canvas !== canvas || page.pixels !== pixels ||
      page.image.data.buffer !== HEAPU8.buffer || page.image.width !== width ||
      page.image.height !== height) {
    page = Module['quenthorCanvasPicture'] = {
      canvas: canvas,
      context: canvas.getContext('2d'),
      pixels: pixels,
      image: new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
                           width, height)
    };
  }
  page.context.putImageData(page.image, 0, 0);
});

}  // namespace

namespace platform {
namespace host {

bool DisplayServerPresent() { return true; }  // the page's canvas

bool WithoutDirectRendering(SDL_Window*) { return true; }  // a 2D canvas

bool PresentCanWaitForBlank(bool) { return true; }

bool PresentIsTheBlankWait() { return false; }

void SetRendererVsync(SDL_Renderer*, bool) {}

void BeforePresent(HostWindow window, SDL_Renderer* renderer, int pictureWidth,
                   int pictureHeight) {
  if (!FitCanvasToPicture(SDL_GetWindowFromID(window), pictureWidth, pictureHeight)) return;
  // A canvas given a new size is cleared: the picture is drawn again, unchanged or not.
  RedrawNextPresent();
  if (renderer) SDL_RenderSetViewport(renderer, nullptr);
}

bool DrawPictureItself(const Picture& picture) {
  // The 32-bit layouts differ from the canvas's only in the order of red and blue, and in the
  // alpha the canvas wants opaque; the others are left to SDL's renderer.
  const bool redLow = picture.layout == PixelLayout::kXBGR32;
  if (!redLow && picture.layout != PixelLayout::kXRGB32) return false;
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t count = width * static_cast<std::size_t>(picture.height);
  if (canvasPixels.size() != count) canvasPixels.assign(count, 0);
  std::uint32_t* out = canvasPixels.data();
  for (int y = 0; y < picture.height; y++) {
    const std::uint8_t* row = picture.bytes + static_cast<std::size_t>(y) * picture.pitch;
    for (std::size_t x = 0; x < width; x++) {
      std::uint32_t pixel;
      std::memcpy(&pixel, row + 4 * x, sizeof pixel);
      if (!redLow)
        pixel = (pixel & 0x0000ff00u) | ((pixel >> 16) & 0xffu) | ((pixel & 0xffu) << 16);
      *out++ = pixel | 0xff000000u;
    }
  }
  PutCanvasPixels(canvasPixels.data(), picture.width, picture.height);
  return true;
}

void AfterVsyncPresent() {
  if (WaitForAnimationFrame(page.hidden)) ReadPageSize();
}

int AudioBufferFrames() { return 4096; }

void SleepUntilCounter(std::uint64_t due) {
  const Uint64 now = SDL_GetPerformanceCounter();
  if (now >= due) return;
  emscripten_sleep(static_cast<unsigned>((due - now) * 1000 / SDL_GetPerformanceFrequency()) + 1);
}

// The canvas is placed with the first picture; a new window starts a new canvas.
void ShowAsScreen(SDL_Window*, bool) {
  WatchPage();
  canvas = CanvasState{};
}

}  // namespace host
}  // namespace platform
