// The host's driver in a web page, built instead of the desktop's (host/sdl/). The show runs in a worker of the page
// (web/show-worker.js), off the page's main thread: its screen is the page's canvas, handed over
// as an OffscreenCanvas; its keys and focus come from the page as messages; its sound goes to an
// AudioWorklet of the page's audio context, over a message port. The show's blocking loop stays a
// loop: ASYNCIFY unwinds it to the worker where it waits (each flip, Sleep), and the worker's
// next animation frame, or timer, resumes it.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio_output.h"
#include "platform/host/audio_output.h"
#include "platform/host/clock.h"
#include "platform/host/driver.h"
#include "platform/host/gentle.h"
#include "platform/host/hooks.h"
#include "platform/host/keys.h"
#include "platform/host/one_screen/one_screen.h"
#include "platform/host/screen.h"
#include "platform/host/video.h"

// What the worker's JavaScript does for the host: page_library.js, linked with --js-library,
// says what each does.
extern "C" {
double PageNow();
void WaitForAnimationFrame();
int TakePageEvent(int keyDown, int keyUp, int focusGained, int focusLost, unsigned* key,
                  int* place, int* flags);
void PageOutputSize(int* width, int* height);
void PlacePageCanvas(int x, int y, int width, int height);
void PutCanvasPixels(const std::uint32_t* pixels, int width, int height);
void ShowPagePointer(bool visible);
bool PageHasSound();
double PageSoundPlayed();
void PostPageSound(const float* channels, int frames, int rate);
void StopPageSound();
}

namespace platform {
namespace host {
namespace {

// The song is mixed ahead of what the worklet has played: once less than the first is left,
// up to the second, so that a block goes every 100 ms or so, not at every frame. Both are more
// than the wait of a hidden page's timer and less than a listener notices as a lag behind the
// picture.
const double kSoundLowSeconds = 0.15;
const double kSoundAheadSeconds = 0.25;
// A refresh of the usual 60 Hz, for waits that aren't the flip's (WaitForVerticalBlank).
const double kPacedIntervalMs = 1000.0 / 60.0;

// The canvas is the one screen (one_screen.h).
struct PageHost {
  // The canvas's place was told for this picture size in this output.
  int placedFor[4];
  bool layoutRefused;      // told once
  int soundRate;           // the song's mix rate, while the output is open
  double soundRendered;    // frames handed to the worklet
};
PageHost page;

// The canvas's picture in its own layout, R,G,B,A bytes; gentle viewing's in 0x00RRGGBB words.
// Made once, not per frame.
std::vector<std::uint32_t> canvasPixels;
std::vector<std::uint32_t> gentlePixels;
std::vector<std::int16_t> soundBlock;
std::vector<float> soundChannels;

// The picture in the canvas's byte order, R,G,B,A, and up. The page's screen offers 32 bits
// only (the display profile as made, which nothing in a page changes): its layouts differ from
// the canvas's only in the order of red and blue, and in the alpha the canvas wants opaque.
// False for any other layout, which isn't drawn.
bool DrawOnCanvas(const Picture& picture) {
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

// Gentle viewing's picture, 0x00RRGGBB words, onto the canvas.
void DrawGentle(std::uint32_t now, int width, int height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (gentlePixels.size() != count) gentlePixels.assign(count, 0);
  GentleDraw(now, reinterpret_cast<std::uint8_t*>(gentlePixels.data()), width * 4);
  Picture drawn = {reinterpret_cast<const std::uint8_t*>(gentlePixels.data()), width * 4, width,
                   height, PixelLayout::kXRGB32, false};
  DrawOnCanvas(drawn);
}

// Mixes the song ahead of what the worklet has played, before every wait: enough for the
// longest (a hidden page's 100 ms).
void TopUpSound() {
  if (!audioOutput.device) return;
  const double rate = page.soundRate;
  const double ahead = page.soundRendered - PageSoundPlayed();
  if (ahead >= kSoundLowSeconds * rate) return;
  const int frames = static_cast<int>(kSoundAheadSeconds * rate - ahead);
  const std::size_t count = static_cast<std::size_t>(frames);
  soundBlock.resize(count * 2);
  soundChannels.resize(count * 2);
  MixForOutput(soundBlock.data(), frames);
  for (std::size_t i = 0; i < count; i++) {
    soundChannels[i] = soundBlock[2 * i] * (1.0f / 32768);
    soundChannels[count + i] = soundBlock[2 * i + 1] * (1.0f / 32768);
  }
  PostPageSound(soundChannels.data(), frames, page.soundRate);
  page.soundRendered += frames;
}

// KeyboardEvent.location's numbers, the DOM's own.
KeyPlace KeyPlaceFromDom(int location) {
  switch (location) {
    case 1: return KeyPlace::kLeft;
    case 2: return KeyPlace::kRight;
    case 3: return KeyPlace::kNumpad;
    default: return KeyPlace::kMain;
  }
}

}  // namespace

// The worker's clock, from the worker's start, as the desktop's runs from SDL's.
std::uint32_t RealTicks() {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(PageNow()));
}

void ShowPointer(bool visible) { ShowPagePointer(visible); }

bool NextEvent(HostEvent* event) {
  if (!oneScreen.videoStarted) return false;
  if (ScreenFocusEvent(event)) return true;
  unsigned key = 0;
  int place = 0;
  int flags = 0;
  for (;;) {
    const int kind = TakePageEvent(HostEvent::kKeyDown, HostEvent::kKeyUp, HostEvent::kFocusGained,
                                   HostEvent::kFocusLost, &key, &place, &flags);
    if (kind < 0) return false;
    const bool isKey = kind == HostEvent::kKeyDown || kind == HostEvent::kKeyUp;
    // A key the window system doesn't know (it has no scan code) isn't reported.
    if (isKey && ScanCodeFor(key) == 0) continue;
    MadeEvent(event, static_cast<HostEvent::Kind>(kind), oneScreen.screen);
    if (isKey) {
      event->virtualKey = key;
      event->extended = ExtendedKey(key, KeyPlaceFromDom(place));
      event->alt = (flags & 1) != 0;
      event->ctrl = (flags & 2) != 0;
      event->shift = (flags & 4) != 0;
    }
    return true;
  }
}

// --- The screen ---

std::uint64_t PacedBlank() { return static_cast<std::uint64_t>(PageNow() / kPacedIntervalMs); }

void WaitForPacedBlankAfter(std::uint64_t blank) {
  while (PacedBlank() <= blank) {
    TopUpSound();
    emscripten_sleep(static_cast<unsigned>((blank + 1) * kPacedIntervalMs - PageNow()) + 1);
  }
}

// The canvas goes where a desktop's window would put the picture, told again whenever the
// picture's size or the page's changes.
static void PlaceCanvas(int pictureWidth, int pictureHeight) {
  int outputWidth = 0;
  int outputHeight = 0;
  PageOutputSize(&outputWidth, &outputHeight);
  const int wanted[4] = {pictureWidth, pictureHeight, outputWidth, outputHeight};
  if (outputWidth <= 0 || outputHeight <= 0 ||
      std::memcmp(wanted, page.placedFor, sizeof wanted) == 0)
    return;
  std::memcpy(page.placedFor, wanted, sizeof wanted);
  const PicturePlace place = PlacePicture(pictureWidth, pictureHeight, outputWidth, outputHeight);
  PlacePageCanvas(place.x, place.y, place.w, place.h);
}

bool Present(HostWindow window, const Picture& picture, bool waitForBlank) {
  const bool drawable = DrawableOnScreen(window, picture);
  if (drawable) PlaceCanvas(picture.width, picture.height);
  // The canvas keeps what was put on it: nothing is put up again.
  const PresentPlan plan = PlanPresent(&oneScreen.memory, picture, drawable, false);
  if (!plan.shows) return false;
  if (plan.redraw == PresentPlan::kGentle) {
    DrawGentle(plan.now, picture.width, picture.height);
    GentleDrew(&oneScreen.memory, plan.now);
  } else if (plan.redraw == PresentPlan::kPicture && !DrawOnCanvas(picture) &&
             !page.layoutRefused) {
    std::fprintf(stderr, "Quenthor: the page shows 32-bit pictures only\n");
    page.layoutRefused = true;
  }
  if (!MayWaitForBlank(waitForBlank)) return false;
  TopUpSound();
  WaitForAnimationFrame();
  return true;
}

// --- The clock and the message box ---

// Sleep(0) gives up the processor to other threads: the worker has none, and its own messages
// come in at the show's every frame, so it returns at once rather than wait for a timer.
void SleepFor(std::uint32_t milliseconds) {
  if (milliseconds == 0) return;
  TopUpSound();
  emscripten_sleep(milliseconds);
}

// The page shows what the show prints: a box's text goes there.
void ShowMessageBox(const char* text, const char* caption, bool) {
  std::printf("%s: %s\n", caption, text);
  std::fflush(stdout);
}

}  // namespace host

bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context) {
  host::AudioOutputState& output = host::audioOutput;
  if (output.device != 0 || !host::audioOutputHooks.devicePresent || rate <= 0 || !PageHasSound())
    return false;
  // The page has one output, its worklet.
  output.device = 1;
  host::page.soundRate = rate;
  output.render = render;
  output.context = context;
  host::page.soundRendered = PageSoundPlayed();
  host::TopUpSound();
  return true;
}

void AudioOutputClose() {
  if (host::audioOutput.device == 0) return;
  StopPageSound();
  host::audioOutput = host::AudioOutputState();
}

void AudioOutputPlay() {}

// One thread: the render routine runs only where the show waits, never beside it, so there is
// nothing to hold off.
AudioOutputLock::AudioOutputLock() : held_(0) {}
AudioOutputLock::~AudioOutputLock() { static_cast<void>(held_); }

}  // namespace platform
