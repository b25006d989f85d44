// Music: starting and stopping sound output, the song, and the report of a song that failed to
// load.
#pragma once
#include "platform/fmod_api.h"

const int kMixRate = 44100;         // output mixing rate in Hz
const int kSoftwareChannels = 64;   // software channels asked of the library
const int kSoundErrorCount = 19;    // codes 0 to 18 have a message of their own

// The sound library's message for each error code from FSOUND_GetError, code 0 first.
extern const char* const SoundErrorText[kSoundErrorCount];
// The message for every code outside the table.
extern const char* const kUnknownSoundError;

// The message for code. The code is compared unsigned, so a negative one is unknown too.
const char* SoundErrorMessage(int code);

// Starts sound output and loads "Terminal.s3m" from the current directory. The song, or null
// when it can't be loaded (a failed start of output shows up here too).
FMUSIC_MODULE* StartMusic();

// Frees the song, then closes sound output.
void StopMusic(FMUSIC_MODULE* song);

// Prints the library's message for its last error as one line on standard output and ends
// the process with status 1. Nothing is closed first.
[[noreturn]] void ReportSoundError();
