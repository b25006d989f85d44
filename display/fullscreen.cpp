// The fullscreen display: exclusive access, the mode, the flip chain and the converter for the
// surface's layout.
#include <cstring>

#include "display/display.h"

DisplayState displayState;

namespace {

typedef HRESULT(WINAPI* DirectDrawCreateEntry)(GUID* device, LPDIRECTDRAW* display,
                                                IUnknown* outer);

// The records DirectDraw reads are the first version's: on 32-bit x86, 108 and 32 bytes.
static_assert(sizeof(void*) != 4 || sizeof(DDSURFACEDESC) == 108, "surface description size");
static_assert(sizeof(DDPIXELFORMAT) == 32, "pixel format size");

const DWORD kShowCooperativeLevel = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE;
const DWORD kDepthLadder[] = {32, 24, 16};

}  // namespace

int OpenDisplay(const char* title, std::int32_t width, std::int32_t height) {
  displayState.width = width;
  displayState.height = height;

  displayState.library = LoadLibraryA("ddraw.dll");
  if (!displayState.library) return 0;

  DirectDrawCreateEntry directDrawCreate = reinterpret_cast<DirectDrawCreateEntry>(
      reinterpret_cast<void*>(GetProcAddress(displayState.library, "DirectDrawCreate")));
  if (!directDrawCreate) return 0;

  if (directDrawCreate(nullptr, &displayState.display, nullptr) < 0) return 0;

  displayState.window = CreateShowWindow(title);

  if (displayState.display->SetCooperativeLevel(displayState.window, kShowCooperativeLevel) < 0)
    return 0;

  int modeSet = 0;
  for (DWORD depth : kDepthLadder) {
    if (displayState.display->SetDisplayMode(width, height, depth) >= 0) {
      modeSet = 1;
      break;
    }
  }
  if (!modeSet) return 0;

  // Two back buffers let drawing run ahead of the screen; one is enough to flip at all.
  DDSURFACEDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.ddsCaps.dwCaps =
      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
  description.dwBackBufferCount = 2;
  if (displayState.display->CreateSurface(&description, &displayState.primary, nullptr) < 0) {
    description.dwBackBufferCount = 1;
    if (displayState.display->CreateSurface(&description, &displayState.primary, nullptr) < 0)
      return 0;
  }

  DDSCAPS backCaps;
  backCaps.dwCaps = DDSCAPS_BACKBUFFER;
  if (displayState.primary->GetAttachedSurface(&backCaps, &displayState.back) < 0) return 0;

  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = sizeof format;
  if (displayState.primary->GetPixelFormat(&format) < 0) return 0;
  if (!(format.dwFlags & DDPF_RGB)) return 0;

  displayState.converter = SelectRowConverter(format.dwRGBBitCount, format.dwRBitMask,
                                              format.dwGBitMask, format.dwBBitMask);
  return displayState.converter ? 1 : 0;
}

void CloseDisplay() {
  // The back surface belongs to the primary's chain and goes with it.
  if (displayState.primary) {
    displayState.primary->Release();
    displayState.primary = nullptr;
  }
  if (displayState.display) {
    displayState.display->RestoreDisplayMode();
    displayState.display->SetCooperativeLevel(displayState.window, DDSCL_NORMAL);
    displayState.display->Release();
    displayState.display = nullptr;
  }
  DestroyWindow(displayState.window);
  if (displayState.library) {
    FreeLibrary(displayState.library);
    displayState.library = nullptr;
  }
}
