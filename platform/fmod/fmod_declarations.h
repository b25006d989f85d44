// Stand-in declarations of the tracker-music library's calls that the show makes: names,
// argument shapes, results and error codes as the library presents them. Built from plain
// language types only, so the same header serves every host and compiler.
//
// The calls have C linkage, so programs find them by their plain names. On 32-bit Windows the
// library is a DLL (fmod.dll) whose calls use the stdcall convention, as that library's
// interface does; the DLL's own sources define QUENTHOR_FMOD_EXPORTS to export them, and every
// other includer imports them. Elsewhere the calls are ordinary functions.
#pragma once

#if defined(_WIN32)
#define QUENTHOR_FMOD_CALL __stdcall
#if defined(QUENTHOR_FMOD_EXPORTS)
#define QUENTHOR_FMOD_LINKAGE __declspec(dllexport)
#else
#define QUENTHOR_FMOD_LINKAGE __declspec(dllimport)
#endif
#else
#define QUENTHOR_FMOD_CALL
#define QUENTHOR_FMOD_LINKAGE
#endif

// What every call is declared with: where it lives, then how it is called.
#define QUENTHOR_FMOD_API(result) QUENTHOR_FMOD_LINKAGE result QUENTHOR_FMOD_CALL

extern "C" {

// A loaded song. Opaque: only the library looks inside.
struct FMUSIC_MODULE;

// Results of FSOUND_GetError, the code of the library's last error.
enum FMOD_ERRORS {
  FMOD_ERR_NONE = 0,           // the last call succeeded
  FMOD_ERR_BUSY = 1,           // output is already initialised; close it first
  FMOD_ERR_UNINITIALIZED = 2,  // output was not initialised, or its initialisation failed
  FMOD_ERR_INIT = 3,           // no output device could be opened
  FMOD_ERR_FILE_NOTFOUND = 9,  // nothing exists by that name
  FMOD_ERR_FILE_FORMAT = 10,   // not a module the library recognises, or larger than any can be
  FMOD_ERR_FILE_BAD = 11,      // not a regular file, unreadable, or a module that failed to load
  FMOD_ERR_MEMORY = 12,        // memory ran out
  FMOD_ERR_INVALID_PARAM = 14  // a null or unknown song, or an unusable argument
};

// Opens sound output mixing at mixrate Hz. TRUE (1) on success, FALSE (0) with the last error
// set otherwise. flags: no options are supported; every value behaves as 0.
QUENTHOR_FMOD_API(signed char) FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);

// Stops everything that plays and ends sound output. Loaded songs stay loaded until freed.
QUENTHOR_FMOD_API(void) FSOUND_Close();

// The code of the library's last error, one of FMOD_ERRORS.
QUENTHOR_FMOD_API(int) FSOUND_GetError();

// Loads the module file name. The song, or null with the last error set.
QUENTHOR_FMOD_API(FMUSIC_MODULE*) FMUSIC_LoadSong(const char* name);

// Plays song from its start in the background, starting over each time it ends, until it is
// freed. TRUE on success, FALSE with the last error set.
QUENTHOR_FMOD_API(signed char) FMUSIC_PlaySong(FMUSIC_MODULE* song);

// Stops song and releases it; the handle is invalid afterwards. TRUE on success, FALSE with
// the last error set (null or unknown handle).
QUENTHOR_FMOD_API(signed char) FMUSIC_FreeSong(FMUSIC_MODULE* song);

}  // extern "C"
