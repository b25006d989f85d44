#include "music/music.h"

#include <cstdio>
#include <cstdlib>

const char* const SoundErrorText[kSoundErrorCount] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called or called properly",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

const char* const kUnknownSoundError = "Unknown error";

const char* SoundErrorMessage(int code) {
  const unsigned index = static_cast<unsigned>(code);
  if (index >= static_cast<unsigned>(kSoundErrorCount)) return kUnknownSoundError;
  return SoundErrorText[index];
}

FMUSIC_MODULE* StartMusic() {
  // The result isn't examined: a failed start leaves the library uninitialised, and the load
  // below then fails with the code that says so.
  FSOUND_Init(kMixRate, kSoftwareChannels, 0);
  return FMUSIC_LoadSong("Terminal.s3m");
}

void StopMusic(FMUSIC_MODULE* song) {
  FMUSIC_FreeSong(song);
  FSOUND_Close();
}

void ReportSoundError() {
  const int code = FSOUND_GetError();
  std::printf("%s\n", SoundErrorMessage(code));
  std::exit(1);
}
