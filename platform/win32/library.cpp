// kernel32: the libraries the show loads at run time. There is one, "ddraw.dll", which exports
// DirectDrawCreate; any other name is not found, as on a system without it.
//
// Traced calls: "LoadLibraryA <name>", "GetProcAddress <name>" (an ordinal as "#<n>"),
// "FreeLibrary"; a failed call ends with " -> null" or " -> 0".
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/ddraw/device.h"
#include "platform/ddraw_api.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/library.h"
#include "platform/win32/win32_declarations.h"

using platform::TraceCall;

namespace platform {
namespace libraries {
namespace {

HMODULE const kDirectDrawModule =
    reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x73A10000));
int directDrawLoads = 0;

// The module a path names: its last component, compared without case, ".dll" implied.
bool NamesDirectDraw(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') name = at + 1;
  return strcasecmp(name, "ddraw.dll") == 0 || strcasecmp(name, "ddraw") == 0;
}

}  // namespace

int LoadedCount() { return directDrawLoads > 0 ? 1 : 0; }
void ResetLibraries() { directDrawLoads = 0; }

}  // namespace libraries
}  // namespace platform

using platform::libraries::directDrawLoads;
using platform::libraries::kDirectDrawModule;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  const char* name = fileName ? fileName : "";
  if (!platform::libraries::NamesDirectDraw(name) ||
      platform::ddraw::ProfileInForce().libraryMissing) {
    TraceCall("LoadLibraryA %s -> null", name);
    return nullptr;
  }
  TraceCall("LoadLibraryA %s", name);
  directDrawLoads++;
  return kDirectDrawModule;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  char shown[64];
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(procName);
  if (value < 0x10000)
    std::snprintf(shown, sizeof shown, "#%u", static_cast<unsigned>(value));
  else
    std::snprintf(shown, sizeof shown, "%s", procName);
  // Exports are found by name only; the module must be loaded.
  const bool found = module == kDirectDrawModule && directDrawLoads > 0 && value >= 0x10000 &&
                     std::strcmp(procName, "DirectDrawCreate") == 0 &&
                     !platform::ddraw::ProfileInForce().entryMissing;
  if (!found) {
    TraceCall("GetProcAddress %s -> null", shown);
    return nullptr;
  }
  TraceCall("GetProcAddress %s", shown);
  // Through the generic function type, as an export table holds every entry alike.
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawCreate));
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (module != kDirectDrawModule || directDrawLoads == 0) {
    TraceCall("FreeLibrary -> 0");
    return FALSE;
  }
  TraceCall("FreeLibrary");
  directDrawLoads--;
  return TRUE;
}
