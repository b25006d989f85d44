// Drives the window-system and DirectDraw stand-ins through the show's own sequence: load
// DirectDraw, make the window, take the screen at 320x240, build a flip chain, then draw and
// flip frames until Escape or a close request, and give everything back in the show's order.
//
//   platform_demo [--frames N]    stops by itself after N passes of its loop (for unattended runs)
//
// The pixels are written for whatever layout the surface reports, straight from its masks, so
// QUENTHOR_DISPLAY_LAYOUT shows each layout on the screen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ddraw_api.h"
#include "platform/win32_api.h"

namespace {

const int kWidth = 320;
const int kHeight = 240;

int quit = 0;
int active = 0;

LRESULT CALLBACK DemoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATEAPP:
      active = static_cast<int>(wParam);
      return 0;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 0;
    case WM_KEYDOWN:
      if ((wParam & 0xFF) == VK_ESCAPE) quit = 1;
      return 0;
    case WM_CLOSE:
      quit = 1;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// One channel of 0..255 placed under a mask, keeping its top bits.
std::uint32_t Place(std::uint32_t value, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) shift++;
  int bits = 0;
  while ((mask >> (shift + bits)) & 1) bits++;
  return ((value >> (8 - bits)) << shift) & mask;
}

struct Format {
  int bytes;
  std::uint32_t red, green, blue;
};

void PutPixel(std::uint8_t* at, const Format& format, int r, int g, int b) {
  const std::uint32_t value =
      Place(r, format.red) | Place(g, format.green) | Place(b, format.blue);
  for (int index = 0; index < format.bytes; index++) at[index] = (value >> (8 * index)) & 0xFF;
}

// Colour bars with a square that crosses the screen, so a stuck frame shows at once.
void DrawFrame(std::uint8_t* surface, long pitch, const Format& format, int frame) {
  static const int kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                  {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  const int squareX = (frame * 2) % (kWidth - 40);
  for (int y = 0; y < kHeight; y++) {
    std::uint8_t* row = surface + y * pitch;
    for (int x = 0; x < kWidth; x++) {
      const int* bar = kBars[x * 8 / kWidth];
      int r = bar[0], g = bar[1], b = bar[2];
      if (y >= 160) r = g = b = x * 255 / (kWidth - 1);  // a grey ramp under the bars
      if (x >= squareX && x < squareX + 40 && y >= 100 && y < 140) r = g = b = 128;
      PutPixel(row + x * format.bytes, format, r, g, b);
    }
  }
}

typedef HRESULT(WINAPI* DirectDrawCreateEntry)(GUID*, LPDIRECTDRAW*, IUnknown*);

int Fail(const char* step, HRESULT result) {
  std::fprintf(stderr, "platform_demo: %s failed (0x%08x)\n", step,
               static_cast<unsigned>(result));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  long frameLimit = -1;
  for (int index = 1; index < argc; index++) {
    char* end = nullptr;
    if (std::strcmp(argv[index], "--frames") == 0 && index + 1 < argc &&
        (frameLimit = std::strtol(argv[index + 1], &end, 10)) > 0 && *end == '\0') {
      index++;
      continue;
    }
    std::fprintf(stderr, "usage: platform_demo [--frames N]   (N a positive whole number)\n");
    return 2;
  }

  HMODULE library = LoadLibraryA("ddraw.dll");
  if (!library) return Fail("LoadLibraryA", 0);
  DirectDrawCreateEntry create = reinterpret_cast<DirectDrawCreateEntry>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "DirectDrawCreate")));
  if (!create) return Fail("GetProcAddress", 0);
  IDirectDraw* display = nullptr;
  HRESULT result = create(nullptr, &display, nullptr);
  if (result < 0) return Fail("DirectDrawCreate", result);

  WNDCLASSA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = DemoWindowProc;
  windowClass.lpszClassName = "PlatformDemo";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "PlatformDemo", "PlatformDemo", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, nullptr, nullptr);

  if ((result = display->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE)) < 0)
    return Fail("SetCooperativeLevel", result);
  static const DWORD kDepths[] = {32, 24, 16};
  result = -1;
  for (DWORD depth : kDepths)
    if ((result = display->SetDisplayMode(kWidth, kHeight, depth)) >= 0) break;
  if (result < 0) return Fail("SetDisplayMode", result);

  DDSURFACEDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.ddsCaps.dwCaps =
      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
  description.dwBackBufferCount = 2;
  IDirectDrawSurface* primary = nullptr;
  if (display->CreateSurface(&description, &primary, nullptr) < 0) {
    description.dwBackBufferCount = 1;
    if ((result = display->CreateSurface(&description, &primary, nullptr)) < 0)
      return Fail("CreateSurface", result);
  }
  DDSCAPS backCaps;
  backCaps.dwCaps = DDSCAPS_BACKBUFFER;
  IDirectDrawSurface* back = nullptr;
  if ((result = primary->GetAttachedSurface(&backCaps, &back)) < 0)
    return Fail("GetAttachedSurface", result);
  DDPIXELFORMAT pixelFormat;
  std::memset(&pixelFormat, 0, sizeof pixelFormat);
  pixelFormat.dwSize = sizeof pixelFormat;
  if ((result = primary->GetPixelFormat(&pixelFormat)) < 0) return Fail("GetPixelFormat", result);
  if (!(pixelFormat.dwFlags & DDPF_RGB)) return Fail("an RGB pixel format", DDERR_INVALIDPIXELFORMAT);
  const Format format{static_cast<int>(pixelFormat.dwRGBBitCount / 8), pixelFormat.dwRBitMask,
                      pixelFormat.dwGBitMask, pixelFormat.dwBBitMask};

  int drawn = 0;
  for (long pass = 0; !quit && (frameLimit < 0 || pass < frameLimit); pass++) {
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (!active) {
      Sleep(1);
      continue;
    }
    primary->Restore();
    DDSURFACEDESC lock;
    std::memset(&lock, 0, sizeof lock);
    lock.dwSize = sizeof lock;
    if (back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr) < 0) continue;
    DrawFrame(static_cast<std::uint8_t*>(lock.lpSurface), lock.lPitch, format, drawn++);
    back->Unlock(lock.lpSurface);
    primary->Flip(nullptr, DDFLIP_WAIT);
    Sleep(0);
  }

  primary->Release();
  display->RestoreDisplayMode();
  display->SetCooperativeLevel(window, DDSCL_NORMAL);
  display->Release();
  DestroyWindow(window);
  FreeLibrary(library);
  return 0;
}
