// kernel32: the libraries the show loads at run time, found among those the folders above
// offer (library.h); any other name is not found, as on a system without it.
//
// Traced calls: "LoadLibraryA <name>", "GetProcAddress <name>" (an ordinal as "#<n>"),
// "FreeLibrary"; a failed call ends with " -> null" or " -> 0".
#include "platform/win32/library.h"

#include <strings.h>

#include <cstdint>
#include <cstring>

#include "platform/trace/call_trace.h"
#include "platform/win32/hooks.h"

namespace platform {
namespace win32 {

Offer offers[kMostOffers];
int offerCount;

namespace {

const std::uintptr_t kFirstModule = 0x73A10000;

// The library a path names (its last component, compared without case, ".dll" implied), or -1.
int LibraryNamed(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  const size_t length = std::strlen(name);
  for (int index = 0; index < offerCount; index++) {
    const char* library = offers[index].library;
    if (strcasecmp(name, library) == 0 ||
        (strncasecmp(name, library, length) == 0 && strcasecmp(library + length, ".dll") == 0))
      return index;
  }
  return -1;
}

// The loaded library a handle names, or -1.
int LoadedLibrary(HMODULE module) {
  const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(module) - kFirstModule;
  const std::uintptr_t index = offset >> 16;
  if ((offset & 0xFFFF) || index >= static_cast<std::uintptr_t>(offerCount)) return -1;
  return offers[index].loads > 0 ? static_cast<int>(index) : -1;
}

// An export of the library, found by name only, or null.
FARPROC EntryOf(int library, LPCSTR procName) {
  if (reinterpret_cast<std::uintptr_t>(procName) < 0x10000) return nullptr;
  for (int index = library; index < offerCount; index++)
    if (offers[index].library == offers[library].library &&
        std::strcmp(offers[index].entryName, procName) == 0)
      return offers[index].entry;
  return nullptr;
}

}  // namespace

void OfferEntry(const char* library, const char* entryName, FARPROC entry) {
  const int known = LibraryNamed(library);
  if (offerCount < kMostOffers)
    offers[offerCount++] = Offer{known < 0 ? library : offers[known].library, entryName, entry, 0};
}

}  // namespace win32
}  // namespace platform

using namespace platform::win32;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  const char* name = fileName ? fileName : "";
  const int library = LibraryNamed(name);
  if (library < 0 || hooks.librariesMissing) {
    TraceCall("LoadLibraryA %s -> null", name);
    return nullptr;
  }
  TraceCall("LoadLibraryA %s", name);
  offers[library].loads++;
  return reinterpret_cast<HMODULE>(kFirstModule + (static_cast<std::uintptr_t>(library) << 16));
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  const int library = LoadedLibrary(module);
  const FARPROC entry = library < 0 || hooks.entriesMissing ? nullptr : EntryOf(library, procName);
  const char* outcome = entry ? "" : " -> null";
  const std::uintptr_t ordinal = reinterpret_cast<std::uintptr_t>(procName);
  if (ordinal < 0x10000)
    TraceCall("GetProcAddress #%u%s", static_cast<unsigned>(ordinal), outcome);
  else
    TraceCall("GetProcAddress %s%s", procName, outcome);
  return entry;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  const int library = LoadedLibrary(module);
  if (library < 0) {
    TraceCall("FreeLibrary -> 0");
    return FALSE;
  }
  TraceCall("FreeLibrary");
  offers[library].loads--;
  return TRUE;
}
