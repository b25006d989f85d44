// The run-time libraries: the loader finds what the folders above offer it, as a system finds
// its installed DLLs; ddraw/ offers "ddraw.dll" and its DirectDrawCreate (direct_draw.cpp).
#pragma once
#include "platform/win32/win32_declarations.h"

namespace platform {
namespace win32 {

// Offers an entry of a library to LoadLibraryA and GetProcAddress. The library's name is its
// file name without a path, compared without case; ".dll" may be left off when loading. Safe
// to call during static initialisation: the table needs no constructor.
void OfferEntry(const char* library, const char* entryName, FARPROC entry);

// Where the loader can be steered from outside: start-up faults. The defaults are a real run's.
struct LibraryHooks {
  // LoadLibraryA finds no library; GetProcAddress finds no entry.
  bool librariesMissing = false;
  bool entriesMissing = false;
};
extern LibraryHooks libraryHooks;

// Libraries loaded and not yet freed.
int LoadedCount();
void ResetLibraries();

}  // namespace win32
}  // namespace platform
