#include "platform/audio_output.h"

#include <SDL.h>

#include "platform/host/audio_output.h"
#include "platform/host/driver.h"

namespace platform {
namespace {

host::AudioOutputState& output = host::audioOutput;

// Frames per callback: about 23 ms at 44,100 Hz, short enough not to be heard as a lag, long
// enough that a busy two-core machine still refills it in time.
const Uint16 kBufferFrames = 1024;

void SDLCALL FeedDevice(void* /*userdata*/, Uint8* stream, int length) {
  host::MixForOutput(reinterpret_cast<std::int16_t*>(stream),
                     length / static_cast<int>(2 * sizeof(std::int16_t)));
}

}  // namespace

bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context) {
  if (output.device != 0 || !host::audioOutputHooks.devicePresent) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted;
  SDL_zero(wanted);
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = kBufferFrames;
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
  output.render = render;
  output.context = context;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void AudioOutputClose() {
  if (output.device == 0) return;
  SDL_CloseAudioDevice(output.device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  output = host::AudioOutputState();
}

// SDL's device plays from the open on, in buffers of about 23 ms: a song starts within one.
void AudioOutputPlay() {}

AudioOutputLock::AudioOutputLock() : held_(output.device) {
  if (held_ != 0) SDL_LockAudioDevice(static_cast<SDL_AudioDeviceID>(held_));
}

AudioOutputLock::~AudioOutputLock() {
  if (held_ != 0) SDL_UnlockAudioDevice(static_cast<SDL_AudioDeviceID>(held_));
}

}  // namespace platform
