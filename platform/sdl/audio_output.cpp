#include "platform/sdl/audio_output.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

namespace platform {
namespace {

struct OutputState {
  SDL_AudioDeviceID device = 0;
  int rate = 0;
  AudioRenderRoutine render = nullptr;
  void* context = nullptr;
};
// Written only by the caller's thread, and only while no callback can run (before the device
// starts or after it is closed); the audio thread reads render and context.
OutputState output;

bool forceNoDevice = false;

// The capture has its own lock: the test reads it from its thread, also after the device is
// closed, when the output lock no longer exists. Never destroyed: a process that ends with the
// device still open (a failed start-up ends that way) has the audio thread running during exit.
struct CaptureState {
  std::mutex lock;
  bool on = false;
  std::vector<std::int16_t> samples;
};
CaptureState& Capture() {
  static CaptureState* state = new CaptureState;
  return *state;
}

void SDLCALL FeedDevice(void* /*userdata*/, Uint8* stream, int length) {
  std::int16_t* stereo = reinterpret_cast<std::int16_t*>(stream);
  const int frames = length / static_cast<int>(2 * sizeof(std::int16_t));
  if (output.render)
    output.render(output.context, stereo, frames);
  else
    std::memset(stream, 0, static_cast<std::size_t>(length));
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  if (capture.on) capture.samples.insert(capture.samples.end(), stereo, stereo + 2 * frames);
}

}  // namespace

bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context) {
  if (output.device != 0 || forceNoDevice) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted;
  SDL_zero(wanted);
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = kAudioBufferFrames;
  wanted.callback = FeedDevice;
  SDL_AudioSpec obtained;
  // No changes allowed: SDL converts to whatever the hardware wants, so the render routine
  // always sees exactly this format.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  output.device = device;
  output.rate = rate;
  output.render = render;
  output.context = context;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void AudioOutputClose() {
  if (output.device == 0) return;
  SDL_CloseAudioDevice(output.device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  output = OutputState();
}

bool AudioOutputIsOpen() { return output.device != 0; }
int AudioOutputRate() { return output.rate; }

AudioOutputLock::AudioOutputLock() : held_(output.device) {
  if (held_ != 0) SDL_LockAudioDevice(static_cast<SDL_AudioDeviceID>(held_));
}

AudioOutputLock::~AudioOutputLock() {
  if (held_ != 0) SDL_UnlockAudioDevice(static_cast<SDL_AudioDeviceID>(held_));
}

void AudioCaptureEnable(bool on) {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  capture.on = on;
}

void AudioCaptureClear() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  std::vector<std::int16_t>().swap(capture.samples);
}

std::vector<std::int16_t> AudioCapturedSamples() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  return capture.samples;
}

std::size_t AudioCapturedFrames() {
  CaptureState& capture = Capture();
  std::lock_guard<std::mutex> hold(capture.lock);
  return capture.samples.size() / 2;
}

void AudioForceNoDevice(bool on) { forceNoDevice = on; }

}  // namespace platform
