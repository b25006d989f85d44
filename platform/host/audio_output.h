// The SDL2 sound output's own part: where it can be steered or listened to from outside (the
// controls set these; fmod.dll's waveOut output has none). It implements platform/audio_output.h.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/audio_output.h"

namespace platform {
namespace host {

// The open device (0: none) and what feeds it. Written only by the caller's thread, and only
// while no callback can run (before the device starts or after it is closed); the audio thread
// reads render and context; the controls read device.
struct AudioOutputState {
  std::uint32_t device = 0;
  AudioRenderRoutine render = nullptr;
  void* context = nullptr;
};
extern AudioOutputState audioOutput;

// The defaults are a real run's.
struct AudioOutputHooks {
  // Hears every block of frames handed to the device (interleaved 16-bit stereo, left first,
  // at the mix rate), on the audio thread. Null: nobody listens.
  std::atomic<void (*)(const std::int16_t* stereo, int frames)> played{nullptr};
  // Off: AudioOutputOpen finds no device, as on a machine without one.
  bool devicePresent = true;
};
extern AudioOutputHooks audioOutputHooks;

}  // namespace host
}  // namespace platform
