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

// What the folders above offered, and how often each is loaded now; the loader keeps it, the
// controls read it and clear it. Zero until offered and never constructed: offers come during
// static initialisation, in whatever order the objects' initialisers run. A library is known by
// its first offer, whose index makes its handle, like a base address: 0x73A10000, 0x73A20000, ...
struct Offer {
  const char* library;
  const char* entryName;
  FARPROC entry;
  int loads;
};
const int kMostOffers = 8;
extern Offer offers[kMostOffers];
extern int offerCount;

}  // namespace win32
}  // namespace platform
