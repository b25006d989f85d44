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

namespace platform {
namespace libraries {

LibraryHooks libraryHooks;

namespace {

struct Offer {
  const char* library;
  const char* entryName;
  FARPROC entry;
};
// Zero until offered, and never constructed: offers come during static initialisation, in
// whatever order the objects' initialisers run.
const int kMostOffers = 8;
Offer offers[kMostOffers];
int offerCount;
int loads[kMostOffers];  // per offer's library: the first offer of each name counts

// Handles look like the system's: a library's base address.
const std::uintptr_t kFirstModule = 0x73A10000;
const std::uintptr_t kModuleStep = 0x10000;

// The module a path names: its last component, compared without case, ".dll" implied.
bool Names(const char* path, const char* library) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  if (strcasecmp(name, library) == 0) return true;
  const size_t length = std::strlen(name);
  return std::strlen(library) == length + 4 && strncasecmp(name, library, length) == 0 &&
         strcasecmp(library + length, ".dll") == 0;
}

// The first offer of the library a path names (the library's own index), or -1.
int LibraryNamed(const char* path) {
  for (int index = 0; index < offerCount; index++)
    if (Names(path, offers[index].library)) return index;
  return -1;
}

HMODULE ModuleOf(int library) {
  return reinterpret_cast<HMODULE>(kFirstModule +
                                   static_cast<std::uintptr_t>(library) * kModuleStep);
}

// The loaded library a handle names, or -1.
int LoadedLibrary(HMODULE module) {
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(module);
  if (value < kFirstModule || (value - kFirstModule) % kModuleStep != 0) return -1;
  const std::uintptr_t library = (value - kFirstModule) / kModuleStep;
  return library < static_cast<std::uintptr_t>(offerCount) && loads[library] > 0
             ? static_cast<int>(library)
             : -1;
}

// An entry of the library, by name only, or null.
FARPROC EntryOf(int library, LPCSTR procName) {
  if (reinterpret_cast<std::uintptr_t>(procName) < 0x10000) return nullptr;
  for (int index = library; index < offerCount; index++)
    if (offers[index].library == offers[library].library &&
        std::strcmp(offers[index].entryName, procName) == 0)
      return offers[index].entry;
  return nullptr;
}

// An entry's name as the trace writes it: an ordinal as "#<n>".
void TraceGetProcAddress(LPCSTR procName, const char* outcome) {
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(procName);
  if (value < 0x10000)
    TraceCall("GetProcAddress #%u%s", static_cast<unsigned>(value), outcome);
  else
    TraceCall("GetProcAddress %s%s", procName, outcome);
}

}  // namespace

void OfferEntry(const char* library, const char* entryName, FARPROC entry) {
  if (offerCount < kMostOffers) offers[offerCount++] = Offer{library, entryName, entry};
}

int LoadedCount() {
  int loaded = 0;
  for (int index = 0; index < offerCount; index++) loaded += loads[index] > 0 ? 1 : 0;
  return loaded;
}

void ResetLibraries() {
  for (int& count : loads) count = 0;
}

}  // namespace libraries
}  // namespace platform

using namespace platform::libraries;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  const char* name = fileName ? fileName : "";
  const int library = LibraryNamed(name);
  if (library < 0 || libraryHooks.librariesMissing) {
    TraceCall("LoadLibraryA %s -> null", name);
    return nullptr;
  }
  TraceCall("LoadLibraryA %s", name);
  loads[library]++;
  return ModuleOf(library);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  // Exports are found by name only; the module must be loaded.
  const int library = LoadedLibrary(module);
  const FARPROC entry =
      library < 0 || libraryHooks.entriesMissing ? nullptr : EntryOf(library, procName);
  if (platform::Tracing()) TraceGetProcAddress(procName, entry ? "" : " -> null");
  return entry;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  const int library = LoadedLibrary(module);
  if (library < 0) {
    TraceCall("FreeLibrary -> 0");
    return FALSE;
  }
  TraceCall("FreeLibrary");
  loads[library]--;
  return TRUE;
}
