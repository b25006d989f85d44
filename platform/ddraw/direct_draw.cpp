// IDirectDraw over the emulated screen, and DirectDrawCreate.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/sdl/screen.h"
#include "platform/sdl/video.h"
#include "platform/testing/journal.h"
#include "platform/testing/kernel_controls.h"
#include "platform/win32/window_system.h"

namespace platform {
namespace ddraw {
namespace {

const DWORD kExclusiveFullscreen = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;

// The modes the emulated screen offers, at every accepted depth.
const int kModeSizes[][2] = {{320, 200}, {320, 240}, {640, 400}, {640, 480},
                             {800, 600}, {1024, 768}, {1280, 1024}};

bool SizeOffered(DWORD width, DWORD height) {
  for (const auto& size : kModeSizes)
    if (width == static_cast<DWORD>(size[0]) && height == static_cast<DWORD>(size[1])) return true;
  return false;
}

// Records the call; a failure carries its result.
HRESULT Outcome(HRESULT result, const char* call) {
  if (result < 0)
    JournalRecord("IDirectDraw::%s -> 0x%08x", call, static_cast<unsigned>(result));
  else
    JournalRecord("IDirectDraw::%s", call);
  return result;
}

HRESULT Unsupported(const char* method) { return Outcome(DDERR_UNSUPPORTED, method); }

void DescribeMode(const Mode& mode, DDSURFACEDESC* description) {
  const LayoutInfo& layout = Describe(mode.layout);
  const DWORD size = description->dwSize;
  std::memset(description, 0, sizeof *description);
  description->dwSize = size;
  description->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  description->dwWidth = mode.width;
  description->dwHeight = mode.height;
  description->lPitch = mode.width * layout.bytesPerPixel;
  description->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  description->ddpfPixelFormat.dwFlags = layout.formatFlags;
  description->ddpfPixelFormat.dwRGBBitCount = layout.bitCount;
  description->ddpfPixelFormat.dwRBitMask = layout.redMask;
  description->ddpfPixelFormat.dwGBitMask = layout.greenMask;
  description->ddpfPixelFormat.dwBBitMask = layout.blueMask;
}

}  // namespace

DirectDraw::DirectDraw() { TheDevice().objects.push_back(this); }

void ForgetObject(DirectDraw* object) {
  std::vector<DirectDraw*>& objects = TheDevice().objects;
  objects.erase(std::remove(objects.begin(), objects.end(), object), objects.end());
}

HRESULT DirectDraw::QueryInterface(REFIID, void** object) {
  if (object) *object = nullptr;
  return Outcome(E_NOINTERFACE, "QueryInterface");
}

ULONG DirectDraw::AddRef() {
  JournalRecord("IDirectDraw::AddRef");
  return ++references_;
}

ULONG DirectDraw::Release() {
  JournalRecord("IDirectDraw::Release");
  if (--references_ > 0) return references_;
  // The last reference takes the object's surfaces and its hold on the screen with it.
  DestroySurfaces(this);
  EndExclusive(this);
  ForgetObject(this);
  delete this;
  return 0;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND target, DWORD flags) {
  char call[64];
  std::snprintf(call, sizeof call, "SetCooperativeLevel 0x%x", static_cast<unsigned>(flags));
  Device& device = TheDevice();
  const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
  const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
  const bool normal = (flags & DDSCL_NORMAL) != 0;
  // Exclusive and fullscreen come together, and never with normal.
  if (exclusive != fullscreen || normal == exclusive) return Outcome(DDERR_INVALIDPARAMS, call);

  if (exclusive) {
    if (!windows::FindWindow(target)) return Outcome(DDERR_INVALIDPARAMS, call);
    if ((device.exclusiveOwner && device.exclusiveOwner != this) || Profile().exclusiveRefused)
      return Outcome(DDERR_EXCLUSIVEMODEALREADYSET, call);
    if (device.exclusiveOwner == this && device.exclusiveWindow != target)
      windows::LeaveScreen(device.exclusiveWindow);
    level = flags & kExclusiveFullscreen;
    window = target;
    device.exclusiveOwner = this;
    device.exclusiveWindow = target;
    Outcome(DD_OK, call);
    // The window covers the screen and the system activates it: WM_ACTIVATEAPP 1 reaches its
    // procedure before this call returns, unless the program was active already.
    windows::TakeScreen(target);
    windows::ActivateApplication(target, windows::Delivery::kSent);
    // Now under the pointer, the window is asked for its cursor.
    windows::PostPointerOver(target);
    ScreenMayHaveChanged();
    return DD_OK;
  }

  if (target && !windows::FindWindow(target)) return Outcome(DDERR_INVALIDPARAMS, call);
  EndExclusive(this);
  level = DDSCL_NORMAL;
  window = target;
  return Outcome(DD_OK, call);
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  char call[80];
  std::snprintf(call, sizeof call, "SetDisplayMode %u %u %u", static_cast<unsigned>(width),
                static_cast<unsigned>(height), static_cast<unsigned>(bitsPerPixel));
  Device& device = TheDevice();
  if (!level) return Outcome(DDERR_NOCOOPERATIVELEVELSET, call);
  if (device.exclusiveOwner != this) return Outcome(DDERR_NOEXCLUSIVEMODE, call);
  if (!SizeOffered(width, height) || !DepthAccepted(static_cast<int>(bitsPerPixel)))
    return Outcome(DDERR_INVALIDMODE, call);
  const int depth = static_cast<int>(bitsPerPixel);
  device.showMode = Mode{static_cast<int>(width), static_cast<int>(height), depth,
                         LayoutForDepth(depth), false};
  device.showModeSet = true;
  ScreenMayHaveChanged();
  return Outcome(DD_OK, call);
}

HRESULT DirectDraw::RestoreDisplayMode() {
  Device& device = TheDevice();
  if (device.exclusiveOwner && device.exclusiveOwner != this)
    return Outcome(DDERR_NOEXCLUSIVEMODE, "RestoreDisplayMode");
  if (device.exclusiveOwner == this) {
    device.showModeSet = false;
    ScreenMayHaveChanged();
  }
  return Outcome(DD_OK, "RestoreDisplayMode");
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                  IUnknown* outer) {
  const bool counted = description && (description->dwFlags & DDSD_BACKBUFFERCOUNT);
  const DWORD backBuffers = counted ? description->dwBackBufferCount : 0;
  char call[64];
  std::snprintf(call, sizeof call, "CreateSurface %u", static_cast<unsigned>(backBuffers));
  Device& device = TheDevice();
  if (outer) return Outcome(CLASS_E_NOAGGREGATION, call);
  if (!description || !surface || description->dwSize != sizeof(DDSURFACEDESC))
    return Outcome(DDERR_INVALIDPARAMS, call);
  if (!level) return Outcome(DDERR_NOCOOPERATIVELEVELSET, call);
  const DWORD asked = (description->dwFlags & DDSD_CAPS) ? description->ddsCaps.dwCaps : 0;
  // Only the screen itself is emulated: no off-screen surfaces, no overlays, no textures.
  if (!(asked & DDSCAPS_PRIMARYSURFACE)) return Outcome(DDERR_UNSUPPORTED, call);
  // The primary surface is the screen: its size and format are the mode's.
  if (description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT))
    return Outcome(DDERR_INVALIDPARAMS, call);
  if (primary) return Outcome(DDERR_PRIMARYSURFACEALREADYEXISTS, call);

  const bool chainAsked = counted || (asked & (DDSCAPS_FLIP | DDSCAPS_COMPLEX));
  if (chainAsked) {
    const DWORD needed = DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if ((asked & needed) != needed || !counted || backBuffers < 1)
      return Outcome(DDERR_INVALIDCAPS, call);
    if (level != kExclusiveFullscreen) return Outcome(DDERR_NOEXCLUSIVEMODE, call);
    if (backBuffers > static_cast<DWORD>(std::max(Profile().maxBackBuffers, 0)))
      return Outcome(DDERR_OUTOFVIDEOMEMORY, call);
  }

  const Mode mode = device.exclusiveOwner == this && device.showModeSet ? device.showMode
                                                                        : DesktopMode();
  const DWORD memoryCaps = (asked & DDSCAPS_SYSTEMMEMORY) ? DDSCAPS_SYSTEMMEMORY
                                                          : DDSCAPS_VIDEOMEMORY;
  const DWORD chainCaps = chainAsked ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
  Surface* front = new Surface(this, mode, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE | memoryCaps |
                                               chainCaps |
                                               (chainAsked ? DDSCAPS_FRONTBUFFER : 0));
  for (DWORD index = 0; index < backBuffers; index++) {
    const DWORD role = index == 0 ? DDSCAPS_BACKBUFFER : 0;
    (new Surface(this, mode, role | chainCaps | memoryCaps))->JoinChain(front);
  }
  // Memory made for a mode that isn't on the screen (the program lost the focus) is lost already.
  if (mode != ModeOnScreen())
    for (Surface* member : front->chain) member->lost = true;

  primary = front;
  if (chainAsked) device.newestChain = front;
  *surface = front;
  return Outcome(DD_OK, call);
}

HRESULT DirectDraw::GetDisplayMode(LPDDSURFACEDESC description) {
  if (!description || description->dwSize != sizeof(DDSURFACEDESC))
    return Outcome(DDERR_INVALIDPARAMS, "GetDisplayMode");
  DescribeMode(ModeOnScreen(), description);
  return Outcome(DD_OK, "GetDisplayMode");
}

HRESULT DirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE) {
  if (flags & DDWAITVB_BLOCKBEGIN && !ClockIsManual()) sdl::WaitForBlank();
  return Outcome(DD_OK, "WaitForVerticalBlank");
}

HRESULT DirectDraw::Compact() { return Unsupported("Compact"); }
HRESULT DirectDraw::CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) {
  return Unsupported("CreateClipper");
}
HRESULT DirectDraw::CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) {
  return Unsupported("CreatePalette");
}
HRESULT DirectDraw::DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) {
  return Unsupported("DuplicateSurface");
}
HRESULT DirectDraw::EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) {
  return Unsupported("EnumDisplayModes");
}
HRESULT DirectDraw::EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) {
  return Unsupported("EnumSurfaces");
}
HRESULT DirectDraw::FlipToGDISurface() { return Unsupported("FlipToGDISurface"); }
HRESULT DirectDraw::GetCaps(LPDDCAPS, LPDDCAPS) { return Unsupported("GetCaps"); }
HRESULT DirectDraw::GetFourCCCodes(LPDWORD, LPDWORD) { return Unsupported("GetFourCCCodes"); }
HRESULT DirectDraw::GetGDISurface(LPDIRECTDRAWSURFACE*) { return Unsupported("GetGDISurface"); }
HRESULT DirectDraw::GetMonitorFrequency(LPDWORD) { return Unsupported("GetMonitorFrequency"); }
HRESULT DirectDraw::GetScanLine(LPDWORD) { return Unsupported("GetScanLine"); }
HRESULT DirectDraw::GetVerticalBlankStatus(LPBOOL) {
  return Unsupported("GetVerticalBlankStatus");
}
HRESULT DirectDraw::Initialize(GUID*) { return Unsupported("Initialize"); }

}  // namespace ddraw
}  // namespace platform

HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* display, IUnknown* outer) {
  using platform::JournalRecord;
  HRESULT result = DD_OK;
  if (outer)
    result = CLASS_E_NOAGGREGATION;
  else if (!display)
    result = DDERR_INVALIDPARAMS;
  else if (device)  // only the default display exists
    result = DDERR_INVALIDDIRECTDRAWGUID;
  else if (platform::ddraw::Profile().createFails || !platform::sdl::StartVideo())
    result = DDERR_NODIRECTDRAWHW;  // no display to draw on
  if (result < 0) {
    if (display) *display = nullptr;
    JournalRecord("DirectDrawCreate -> 0x%08x", static_cast<unsigned>(result));
    return result;
  }
  JournalRecord("DirectDrawCreate");
  platform::ddraw::ListenToActivation();
  *display = new platform::ddraw::DirectDraw();
  return DD_OK;
}
