// The host's capture driver, built instead of the desktop's (host/sdl/) into the capture program:
// no screen, no sound device and no real time. The clock is a count of refreshes at 60 Hz that
// moves only when the show waits: one refresh at each flip's wait, and as many as a Sleep
// covers. Every refresh becomes one frame of the video, the screen as the show last presented
// it, and the song's mix for exactly that refresh (735 frames at 44,100 Hz) its sound. The
// video starts at the first picture presented; after the length asked for, the driver presses
// Escape, and when the show ends the video is finished (encoder.cpp).
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio_output.h"
#include "platform/capture_api.h"
#include "platform/host/audio_output.h"
#include "platform/host/capture/encoder.h"
#include "platform/host/clock.h"
#include "platform/host/driver.h"
#include "platform/host/gentle.h"
#include "platform/host/hooks.h"
#include "platform/host/one_screen/one_screen.h"
#include "platform/host/screen.h"
#include "platform/host/video.h"
#include "platform/host/virtual_keys.h"

namespace platform {
namespace host {
namespace {

const int kRefreshesPerSecond = 60;
// A show that hasn't ended this long after its Escape never will: the capture gives up.
const int kGraceSeconds = 10;

// ffmpeg's names for the screen's layouts, in the order of PixelLayout.
const char* const kPixelFormats[] = {"bgr0",     "rgb0",     "bgr24",   "rgb24",
                                     "rgb565le", "bgr565le", "rgb555le"};
const int kBytesPerPixel[] = {4, 4, 3, 3, 2, 2, 2};

// The capture's module state.
struct CaptureState {
  std::string path;      // the video's name
  std::string ffmpeg;
  capture::VideoKind kind;
  int scale;
  int seconds;
  std::uint64_t refresh;  // refreshes since the program started: the clock
  bool streaming;         // the first picture came: every refresh is a frame from now on
  std::uint64_t streamStart;  // the refresh of the video's first frame
  bool escapePressed;
  int escapeKeysLeft;     // the key going down, then up
  bool failed;
  // The screen (one_screen.h): the last picture presented, packed, in the layout the video
  // was started in.
  int width, height, layout;
  std::vector<std::uint8_t> pixels;
  bool otherModeSaid;
  // The sound: the mix routine, and whether the song has been asked to play.
  int rate;
  std::vector<std::int16_t> sound;
  // How fast against real time, for the progress lines.
  std::chrono::steady_clock::time_point began;
  int secondsSaid;
};
CaptureState state;

// Refreshes since the video began, and how many it holds.
std::uint64_t Streamed() { return state.streaming ? state.refresh - state.streamStart : 0; }
std::uint64_t Wanted() { return static_cast<std::uint64_t>(state.seconds) * kRefreshesPerSecond; }

void SayProgress(bool last) {
  const double made = static_cast<double>(Streamed()) / kRefreshesPerSecond;
  const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                    state.began).count();
  const double speed = real > 0 ? made / real : 0;
  std::fprintf(stderr, "%squenthor-capture: %.0f of %d s of show made, %.1fx real time%s",
               isatty(2) ? "\r" : "", made, state.seconds, speed, last || !isatty(2) ? "\n" : "");
}

// Ends the process at once, leaving nothing behind: for a capture that failed or was stopped.
[[noreturn]] void GiveUp(int status) {
  capture::AbandonEncoder();
  _exit(status);
}

extern "C" void StoppedBySignal(int signal) {
  capture::AbandonEncoder();
  _exit(128 + signal);
}

// One refresh passes: the clock moves, and while the video runs, the screen and the song's mix
// for the refresh go into it.
void Refresh() {
  if (state.streaming && Streamed() < Wanted()) {
    const std::uint64_t at = Streamed();
    const int frames = static_cast<int>((at + 1) * state.rate / kRefreshesPerSecond -
                                        at * state.rate / kRefreshesPerSecond);
    state.sound.assign(static_cast<std::size_t>(frames) * 2, 0);
    MixForOutput(state.sound.data(), frames);
    if (!capture::EncodeRefresh(state.pixels.data(), state.pixels.size(), state.sound.data(),
                                frames))
      state.failed = true;
  }
  state.refresh++;
  if (state.streaming && Streamed() % kRefreshesPerSecond == 0) {
    const int second = static_cast<int>(Streamed() / kRefreshesPerSecond);
    if (second != state.secondsSaid && second <= state.seconds) {
      state.secondsSaid = second;
      SayProgress(second == state.seconds);
    }
  }
  if (state.failed) GiveUp(3);
  if (Streamed() > Wanted() + static_cast<std::uint64_t>(kGraceSeconds) * kRefreshesPerSecond) {
    std::fprintf(stderr, "quenthor-capture: the show didn't end %d s after Escape; nothing kept\n",
                 kGraceSeconds);
    GiveUp(3);
  }
}

// The first picture starts the video, in its layout and size; a picture of another mode later
// is shown as black (the show sets one mode).
bool TakePicture(const Picture& picture, const PresentPlan& plan) {
  const int layout = oneScreen.choices.gentle ? static_cast<int>(PixelLayout::kXRGB32)
                                          : static_cast<int>(picture.layout);
  if (!state.streaming) {
    state.width = picture.width;
    state.height = picture.height;
    state.layout = layout;
    state.pixels.assign(static_cast<std::size_t>(picture.width) * picture.height *
                            kBytesPerPixel[layout], 0);
    if (!capture::StartEncoder(state.ffmpeg, state.path, state.kind, kPixelFormats[layout],
                               picture.width, picture.height, state.scale,
                               state.rate ? state.rate : 44100))
      GiveUp(3);
    state.streaming = true;
    state.streamStart = state.refresh;
  }
  if (picture.width != state.width || picture.height != state.height || layout != state.layout) {
    if (!state.otherModeSaid)
      std::fprintf(stderr, "quenthor-capture: the screen changed its mode; the video shows it black\n");
    state.otherModeSaid = true;
    std::memset(state.pixels.data(), 0, state.pixels.size());
    return false;
  }
  const std::size_t row = static_cast<std::size_t>(state.width) * kBytesPerPixel[layout];
  if (plan.redraw == PresentPlan::kGentle) {
    GentleDraw(plan.now, state.pixels.data(), static_cast<int>(row));
    GentleDrew(&oneScreen.memory, plan.now);
  } else if (plan.redraw == PresentPlan::kPicture) {
    for (int y = 0; y < state.height; y++)
      std::memcpy(state.pixels.data() + y * row,
                  picture.bytes + static_cast<std::size_t>(y) * picture.pitch, row);
  }
  return true;
}

// When the program ends, through the show's own end or any other: a show that ended after the
// capture's Escape gets its video; one that ended before (it failed) leaves nothing.
void FinishAtExit() {
  if (!state.escapePressed) {
    capture::AbandonEncoder();
    if (state.streaming)
      std::fprintf(stderr, "quenthor-capture: the show ended before %d s; no video\n",
                   state.seconds);
    return;
  }
  const bool good = capture::FinishEncoder();
  if (!good) _exit(3);
  const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                    state.began).count();
  std::fprintf(stderr, "quenthor-capture: %s: %d s of show, %d frames, in %.1f s (%.1fx real time)\n",
               state.path.c_str(), state.seconds, state.seconds * kRefreshesPerSecond, real,
               real > 0 ? state.seconds / real : 0);
}

void Usage(std::FILE* to) {
  std::fprintf(to,
               "Usage: quenthor-capture [--scale N] FILE [SECONDS]\n"
               "Runs the show on a clock of its own and captures every refresh (60 a second) and\n"
               "its sound into FILE: .mkv for a lossless video (FFV1, sound as PCM), .mp4 for\n"
               "sharing (H.264 and AAC). SECONDS of show (1 to 3600, default 12); each picture\n"
               "enlarged N times (1 to 8, default 2). Needs ffmpeg (QUENTHOR_FFMPEG names one).\n"
               "The show's own settings apply (QUENTHOR_DISPLAY_GENTLE, QUENTHOR_DISPLAY_LAYOUT).\n"
               "Status: the show's; 2 for bad arguments; 3 when the video could not be made.\n");
}

bool WholeNumber(const char* text, int low, int high, int* value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (!*text || *end || number < low || number > high) return false;
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

// --- The clock: refreshes, moved by the show's waits ---

std::uint32_t RealTicks() {
  return static_cast<std::uint32_t>(state.refresh * 1000 / kRefreshesPerSecond);
}

std::uint64_t PacedBlank() { return state.refresh; }

void WaitForPacedBlankAfter(std::uint64_t blank) {
  while (state.refresh <= blank) Refresh();
}

void SleepFor(std::uint32_t milliseconds) {
  const std::uint64_t until = std::uint64_t{RealTicks()} + milliseconds;
  while (RealTicks() < until) Refresh();
}

void ShowMessageBox(const char* text, const char* caption, bool) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

void ShowPointer(bool) {}

// The screen gains the focus as it is shown; after the length asked for, Escape.
bool NextEvent(HostEvent* event) {
  if (!oneScreen.videoStarted) return false;
  if (ScreenFocusEvent(event)) return true;
  if (!state.streaming || state.escapeKeysLeft == 0 || Streamed() < Wanted()) return false;
  state.escapePressed = true;
  MadeEvent(event, state.escapeKeysLeft == 2 ? HostEvent::kKeyDown : HostEvent::kKeyUp,
            oneScreen.screen);
  event->virtualKey = virtual_keys::VK_ESCAPE;
  state.escapeKeysLeft--;
  return true;
}

// --- The screen ---

// The video holds every refresh: each Present puts its picture on the screen, and a wait for the
// blank is one refresh of the clock.
bool Present(HostWindow window, const Picture& picture, bool waitForBlank) {
  const bool drawable = DrawableOnScreen(window, picture) && picture.layout <= PixelLayout::kRGB555;
  const PresentPlan plan = PlanPresent(&oneScreen.memory, picture, drawable, true);
  if (!plan.shows || !TakePicture(picture, plan) || !MayWaitForBlank(waitForBlank)) return false;
  WaitForPacedBlankAfter(state.refresh);
  return true;
}

}  // namespace host

bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context) {
  host::AudioOutputState& output = host::audioOutput;
  if (output.device != 0 || !host::audioOutputHooks.devicePresent || rate <= 0) return false;
  output.device = 1;
  output.render = render;
  output.context = context;
  host::state.rate = rate;
  return true;
}

void AudioOutputClose() { host::audioOutput = host::AudioOutputState(); }

void AudioOutputPlay() {}

// One thread: the mix runs only inside the show's waits.
AudioOutputLock::AudioOutputLock() : held_(0) {}
AudioOutputLock::~AudioOutputLock() { static_cast<void>(held_); }

int CaptureFromArguments(int argc, char** argv) {
  using host::state;
  std::vector<std::string> words;
  state.scale = 2;
  state.seconds = 12;
  for (int i = 1; i < argc; i++) {
    const std::string word = argv[i];
    if (word == "--help" || word == "-h") {
      host::Usage(stdout);
      return 0;
    }
    if (word == "--scale" && i + 1 < argc) {
      if (!host::WholeNumber(argv[++i], 1, 8, &state.scale)) {
        std::fprintf(stderr, "quenthor-capture: --scale takes 1 to 8, not %s\n", argv[i]);
        return 2;
      }
    } else if (word.rfind("-", 0) == 0 && word.size() > 1) {
      std::fprintf(stderr, "quenthor-capture: unknown option %s\n", word.c_str());
      host::Usage(stderr);
      return 2;
    } else {
      words.push_back(word);
    }
  }
  if (words.empty() || words.size() > 2) {
    host::Usage(stderr);
    return 2;
  }
  if (words.size() == 2 && !host::WholeNumber(words[1].c_str(), 1, 3600, &state.seconds)) {
    std::fprintf(stderr, "quenthor-capture: SECONDS is 1 to 3600, not %s\n", words[1].c_str());
    return 2;
  }
  state.path = words[0];
  state.kind = host::capture::KindOfVideo(state.path);
  if (state.kind == host::capture::VideoKind::kNone) {
    std::fprintf(stderr, "quenthor-capture: %s: the name must end in .mkv (lossless) or .mp4 "
                 "(for sharing)\n", state.path.c_str());
    return 2;
  }
  std::string why;
  if (!host::capture::FolderTakesFiles(state.path, &why)) {
    std::fprintf(stderr, "quenthor-capture: the video can't be written there: %s\n", why.c_str());
    return 2;
  }
  state.ffmpeg = host::capture::FindFfmpeg();
  if (state.ffmpeg.empty()) {
    std::fprintf(stderr, "quenthor-capture: ffmpeg is needed to make the video and none was "
                 "found (on Debian: apt-get install ffmpeg)\n");
    return 2;
  }
  state.escapeKeysLeft = 2;
  state.began = std::chrono::steady_clock::now();
  std::atexit(host::FinishAtExit);
  for (int stop : {SIGINT, SIGTERM, SIGHUP}) signal(stop, host::StoppedBySignal);
  return -1;
}

}  // namespace platform
