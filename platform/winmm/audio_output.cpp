// Sound output through waveOut (winmm), for fmod.dll. A mixing thread of our own keeps a ring
// of buffers queued at the device: the device sets an event as it finishes each one, and the
// thread renders into every finished buffer and queues it again.
//
// Nothing is queued until the first FMUSIC_PlaySong (AudioOutputPlay): the device waits paused,
// and starts when the first pass has filled the ring from the song's start, so the song's first
// samples are the first it plays rather than waiting behind a ring of silence.
//
// An underrun is a refill that finds every queued buffer finished: the device had nothing left
// to play. Closing the output reports the buffers played, the underruns, the refused writes and
// how long after AudioOutputPlay the device started, through
// OutputDebugStringA, where a debugger (or Wine's debugstr channel) shows it.
#include "platform/audio_output.h"

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
// A device that refused a write while it held nothing would never set the event again: the
// mixer tries again after this long instead.
const DWORD kRetryMilliseconds = 10;
// How long close waits for the device to hand back its buffers after the reset.
const DWORD kCloseWaitMilliseconds = 2000;

struct OutputState {
  HWAVEOUT device;
  HANDLE wake;   // set by the device as buffers finish, and by AudioOutputPlay and Close
  HANDLE mixer;  // the mixing thread
  LONG stopping;
  LONG playing;  // set by AudioOutputPlay: from then on the ring is kept full
  AudioRenderRoutine render;
  void* context;
  WAVEHDR headers[kBuffers];
  // The ring: headers[oldest] is the first queued buffer, waiting are queued after it.
  int oldest;
  int waiting;
  unsigned long played;
  unsigned long underruns;
  unsigned long refusedWrites;
  // For the report: when AudioOutputPlay was called, and how long after it the device started
  // playing the ring that begins with the song (negative: not yet).
  LARGE_INTEGER playCalled;
  double startMilliseconds;
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
bool Playing() { return InterlockedCompareExchange(&output.playing, 0, 0) != 0; }

double MillisecondsSince(const LARGE_INTEGER& then) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - then.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

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
    // A device that refuses a buffer gets no more until one it holds finishes, or, holding
    // none, until the retry.
    if (waveOutWrite(output.device, &header, sizeof header) != MMSYSERR_NOERROR) {
      ++output.refusedWrites;
      break;
    }
    ++output.waiting;
  }
}

DWORD WINAPI MixUntilStopped(LPVOID) {
  bool primed = false;  // the first pass fills the empty ring: no underrun
  for (;;) {
    WaitForSingleObject(output.wake, primed && output.waiting == 0 ? kRetryMilliseconds : INFINITE);
    if (Stopping()) return 0;
    if (!Playing()) continue;
    RefillFinishedBuffers(primed);
    // The device was paused for the first pass, so the whole ring starts together: the song's
    // first buffer doesn't play alone while the mixer renders the next.
    if (!primed) {
      waveOutRestart(output.device);
      output.startMilliseconds = MillisecondsSince(output.playCalled);
    }
    primed = true;
  }
}

// Unprepares the first prepared headers, then closes the device; false if the device refused
// either. A header still queued is waited for first: unpreparing it would fail, and closing
// with it queued too.
bool UnprepareAndClose(HWAVEOUT device, int prepared) {
  bool closed = true;
  DWORD started = GetTickCount();
  for (int index = 0; index < prepared; ++index) {
    WAVEHDR& header = output.headers[index];
    while ((header.dwFlags & WHDR_INQUEUE) && GetTickCount() - started < kCloseWaitMilliseconds) Sleep(1);
    MMRESULT result;
    while ((result = waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR))) == WAVERR_STILLPLAYING &&
           GetTickCount() - started < kCloseWaitMilliseconds)
      Sleep(1);
    if (result != MMSYSERR_NOERROR) closed = false;
  }
  if (waveOutClose(device) != MMSYSERR_NOERROR) closed = false;
  return closed;
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
      // Nothing was queued, so the device can't set the event any more once closed.
      if (UnprepareAndClose(device, index)) CloseHandle(wake);
      return false;
    }
  }
  output.device = device;
  output.wake = wake;
  output.stopping = 0;
  output.playing = 0;
  output.render = render;
  output.context = context;
  output.oldest = 0;
  output.waiting = 0;
  output.played = 0;
  output.underruns = 0;
  output.refusedWrites = 0;
  output.startMilliseconds = -1;
  output.mixer = CreateThread(nullptr, 0, MixUntilStopped, nullptr, 0, nullptr);
  if (!output.mixer) {
    if (UnprepareAndClose(device, kBuffers)) CloseHandle(wake);
    output.device = nullptr;
    return false;
  }
  waveOutPause(device);
  // Mixing is short and regular; ahead of the program's own work it keeps the device fed.
  SetThreadPriority(output.mixer, THREAD_PRIORITY_TIME_CRITICAL);
  return true;
}

void AudioOutputPlay() {
  if (!output.device || Playing()) return;
  QueryPerformanceCounter(&output.playCalled);
  InterlockedExchange(&output.playing, 1);
  SetEvent(output.wake);  // the first pass fills the ring, starting with the song
}

void AudioOutputClose() {
  if (!output.device) return;
  InterlockedExchange(&output.stopping, 1);
  SetEvent(output.wake);
  WaitForSingleObject(output.mixer, INFINITE);
  CloseHandle(output.mixer);
  // The thread is gone, so nothing queues again what the reset hands back.
  waveOutReset(output.device);
  const bool closed = UnprepareAndClose(output.device, kBuffers);
  // A device that wouldn't close may still set the event: it is left open rather than freed
  // under it.
  if (closed) CloseHandle(output.wake);

  char report[320];
  std::snprintf(report, sizeof report,
                "fmod.dll: sound output closed%s: %lu buffers played, %lu underruns, %lu writes "
                "refused (%d buffers of %d frames); the song started at waveOut %.1f ms after "
                "FMUSIC_PlaySong\n",
                closed ? "" : " (the device refused to unprepare or close)", output.played,
                output.underruns, output.refusedWrites, kBuffers, kBufferFrames,
                output.startMilliseconds);
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
