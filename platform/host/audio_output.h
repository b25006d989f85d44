// The SDL2 sound output's own part: where it can be steered or listened to from outside (the
// controls set these; fmod.dll's waveOut output has none). It implements platform/audio_output.h.
#pragma once
#include <atomic>
#include <cstdint>

namespace platform {
namespace host {

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
