// Sound output through waveOut (winmm), for fmod.dll. A mixing thread of our own keeps a ring
// of buffers queued at the device: the device sets an event as it finishes each one, and the
// thread renders into every finished buffer and queues it again.
//
// An underrun is a refill that finds every queued buffer finished: the device had nothing left
// to play. Closing the output reports the buffers played and the underruns through
// OutputDebugStringA, where a debugger (or Wine's debugstr channel) shows it.
#include "platform/host/audio_output.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

namespace platform {
namespace {

// Eight buffers of 1,024 frames: 186 ms queued at 44,100 Hz, so the mixer can be held off that
// long by a busy machine before the device runs dry, while one refill mixes only 23 ms.
const int kBuffers = 8;
const int kBufferFrames = 1024;

struct OutputState {
  HWAVEOUT device;
  HANDLE wake;   // set by the device as buffers finish, and by AudioOutputClose
  HANDLE mixer;  // the mixing thread
  LONG stopping;
  AudioRenderRoutine render;
  void* context;
  WAVEHDR headers[kBuffers];
  // The ring: headers[oldest] is the first queued buffer, waiting are queued after it.
  int oldest;
  int waiting;
  unsigned long played;
  unsigned long underruns;
};
// Written by the caller's thread only while no mixing thread runs; read by that thread.
OutputState output;
std::int16_t samples[kBuffers][2 * kBufferFrames];

// The output lock. Made when the DLL is loaded, before any call can take it; never deleted,
// since a process may end with the mixing thread still running.
struct OutputLock {
  CRITICAL_SECTION section;
  OutputLock() { InitializeCriticalSection(&section); }
};
OutputLock outputLock;

bool Stopping() { return InterlockedCompareExchange(&output.stopping, 0, 0) != 0; }

void RefillFinishedBuffers(bool primed) {
  while (output.waiting > 0 && (output.headers[output.oldest].dwFlags & WHDR_DONE)) {
    ++output.played;
    --output.waiting;
    output.oldest = (output.oldest + 1) % kBuffers;
  }
  if (primed && output.waiting == 0) ++output.underruns;
  while (output.waiting < kBuffers) {
    WAVEHDR& header = output.headers[(output.oldest + output.waiting) % kBuffers];
    EnterCriticalSection(&outputLock.section);
    output.render(output.context, reinterpret_cast<std::int16_t*>(header.lpData), kBufferFrames);
    LeaveCriticalSection(&outputLock.section);
    // A device that refuses a buffer gets no more until one it holds finishes.
    if (waveOutWrite(output.device, &header, sizeof header) != MMSYSERR_NOERROR) break;
    ++output.waiting;
  }
}

DWORD WINAPI MixUntilStopped(LPVOID) {
  bool primed = false;  // the first pass fills the empty ring: no underrun
  for (;;) {
    WaitForSingleObject(output.wake, INFINITE);
    if (Stopping()) return 0;
    RefillFinishedBuffers(primed);
    primed = true;
  }
}

void UnprepareAndClose(HWAVEOUT device, int prepared) {
  for (int index = 0; index < prepared; ++index)
    waveOutUnprepareHeader(device, &output.headers[index], sizeof(WAVEHDR));
  waveOutClose(device);
}

}  // namespace

bool AudioOutputOpen(int rate, AudioRenderRoutine render, void* context) {
  if (output.device) return false;
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2 * sizeof(std::int16_t);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

  HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!wake) return false;
  HWAVEOUT device = nullptr;
  if (waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(wake), 0,
                  CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    CloseHandle(wake);
    return false;
  }
  for (int index = 0; index < kBuffers; ++index) {
    WAVEHDR& header = output.headers[index];
    header = WAVEHDR();
    header.lpData = reinterpret_cast<LPSTR>(samples[index]);
    header.dwBufferLength = sizeof samples[index];
    if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) {
      UnprepareAndClose(device, index);
      CloseHandle(wake);
      return false;
    }
  }
  output.device = device;
  output.wake = wake;
  output.stopping = 0;
  output.render = render;
  output.context = context;
  output.oldest = 0;
  output.waiting = 0;
  output.played = 0;
  output.underruns = 0;
  output.mixer = CreateThread(nullptr, 0, MixUntilStopped, nullptr, 0, nullptr);
  if (!output.mixer) {
    UnprepareAndClose(device, kBuffers);
    CloseHandle(wake);
    output.device = nullptr;
    return false;
  }
  // Mixing is short and regular; ahead of the program's own work it keeps the device fed.
  SetThreadPriority(output.mixer, THREAD_PRIORITY_TIME_CRITICAL);
  SetEvent(wake);  // the first pass fills the ring
  return true;
}

void AudioOutputClose() {
  if (!output.device) return;
  InterlockedExchange(&output.stopping, 1);
  SetEvent(output.wake);
  WaitForSingleObject(output.mixer, INFINITE);
  CloseHandle(output.mixer);
  // The thread is gone, so nothing queues again what the reset hands back.
  waveOutReset(output.device);
  UnprepareAndClose(output.device, kBuffers);
  CloseHandle(output.wake);

  char report[160];
  std::snprintf(report, sizeof report,
                "fmod.dll: sound output closed: %lu buffers played, %lu underruns "
                "(%d buffers of %d frames)\n",
                output.played, output.underruns, kBuffers, kBufferFrames);
  OutputDebugStringA(report);
  output.device = nullptr;
  output.wake = nullptr;
  output.mixer = nullptr;
  output.render = nullptr;
  output.context = nullptr;
}

bool AudioOutputIsOpen() { return output.device != nullptr; }

// Always taken, open or not: the critical section exists from the DLL's load, and nothing
// blocks on it while no thread mixes.
AudioOutputLock::AudioOutputLock() : held_(1) { EnterCriticalSection(&outputLock.section); }

AudioOutputLock::~AudioOutputLock() {
  if (held_ != 0) LeaveCriticalSection(&outputLock.section);
}

}  // namespace platform
