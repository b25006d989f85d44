// Test controls of the sound library stand-in and its output: a capture of the mixed output, a
// missing audio device on demand, a chosen last error, a look at what is loaded, and a reset.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// While on, every frame the output hands to the device (interleaved 16-bit stereo, left
// first, at the mix rate) is kept, beside playing it. The capture survives FSOUND_Close.
void SoundCaptureEnable(bool on);
void SoundCaptureClear();
std::vector<std::int16_t> SoundCapturedSamples();
std::size_t SoundCapturedFrames();
// Waits until at least frames frames are captured; false if timeoutMs passes first.
bool SoundWaitForCapturedFrames(std::size_t frames, unsigned timeoutMs);

// While on, FSOUND_Init finds no audio device, as on a machine without one.
void SoundForceNoDevice(bool on);

// Sets the code FSOUND_GetError returns next (for reporting tests).
void SoundSetLastError(int code);

bool SoundOutputIsOpen();
int SoundLoadedSongCount();
int SoundPlayingSongCount();

// Back to the start: output closed, every song still loaded freed (handles the test still holds
// become invalid), last error 0, capture off and empty, the device available.
void ResetSoundControls();

}  // namespace platform
