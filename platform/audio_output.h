// Sound output as the sound library (fmod/) needs it: one device playing interleaved 16-bit
// stereo at the mix rate, fed by a render routine on the output's own thread. Each build has
// one implementation of it: SDL2 audio on the stand-ins (host/sdl/audio_output.cpp), waveOut
// in fmod.dll (winmm/audio_output.cpp). The render routine runs with the output lock held, so
// whatever it reads is safe to change from another thread while holding AudioOutputLock.
// Called by fmod/sound_library.cpp only.
#pragma once
#include <cstdint>

namespace platform {

// Fills frames of interleaved 16-bit stereo. Runs on the audio thread.
typedef void (*AudioRenderRoutine)(void* context, std::int16_t* stereo, int frames);

// Opens the default output device at rate Hz and starts calling render. False when no device
// can be opened (or one is already open).
bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context);
// Stops the render calls (waiting for a running one to finish) and closes the device.
void AudioOutputClose();
// The render routine has a song to play from now on. An output that keeps its device idle
// until then (waveOut: no silence queued ahead of the song) starts it here; SDL's doesn't.
void AudioOutputPlay();

// Holds the audio thread off while the caller changes what the render routine reads. It does
// nothing while no device is open, when no callback can run.
class AudioOutputLock {
 public:
  AudioOutputLock();
  ~AudioOutputLock();
  AudioOutputLock(const AudioOutputLock&) = delete;
  AudioOutputLock& operator=(const AudioOutputLock&) = delete;

 private:
  // What the implementation locked, for the unlock; 0 when it had nothing to lock.
  std::uintptr_t held_;
};

}  // namespace platform
