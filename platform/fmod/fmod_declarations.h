// Stand-in declarations of the tracker-music library's calls that the show makes: names,
// argument shapes, results and error codes as the library presents them. Built from plain
// language types only, so the same header serves every host and compiler.
#pragma once

// A loaded song. Opaque: only the library looks inside.
struct FMUSIC_MODULE;

// Results of FSOUND_GetError, the code of the library's last error.
enum FMOD_ERRORS {
  FMOD_ERR_NONE = 0,           // the last call succeeded
  FMOD_ERR_BUSY = 1,           // output is already initialised; close it first
  FMOD_ERR_UNINITIALIZED = 2,  // output was not initialised, or its initialisation failed
  FMOD_ERR_INIT = 3,           // no output device could be opened
  FMOD_ERR_FILE_NOTFOUND = 9,  // the file doesn't exist or can't be read
  FMOD_ERR_FILE_FORMAT = 10,   // the file is not a module the library recognises
  FMOD_ERR_FILE_BAD = 11,      // a recognised module that failed to load
  FMOD_ERR_MEMORY = 12,        // memory ran out
  FMOD_ERR_INVALID_PARAM = 14  // a null or unknown song, or an unusable argument
};

// Opens sound output mixing at mixrate Hz. TRUE (1) on success, FALSE (0) with the last error
// set otherwise. flags: no options are supported; every value behaves as 0.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);

// Stops everything that plays and ends sound output. Loaded songs stay loaded until freed.
void FSOUND_Close();

// The code of the library's last error, one of FMOD_ERRORS.
int FSOUND_GetError();

// Loads the module file name. The song, or null with the last error set.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);

// Plays song from its start in the background, starting over each time it ends, until it is
// freed. TRUE on success, FALSE with the last error set.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* song);

// Stops song and releases it; the handle is invalid afterwards. TRUE on success, FALSE with
// the last error set (null or unknown handle).
signed char FMUSIC_FreeSong(FMUSIC_MODULE* song);
