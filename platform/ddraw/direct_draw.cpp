// IDirectDraw over the emulated screen, and DirectDrawCreate.
#include <algorithm>

#include "platform/ddraw/hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/host/screen.h"
#include "platform/host/video.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/library.h"
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

const char kInterface[] = "IDirectDraw";

// Why the object makes no flip chain as asked, or DD_OK. The primary surface with its back
// buffers in video memory is the only surface emulated.
HRESULT ChainRefusal(const DirectDraw& object, const DDSURFACEDESC* description,
                     LPDIRECTDRAWSURFACE* surface, IUnknown* outer) {
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!description || !surface || description->dwSize != sizeof(DDSURFACEDESC))
    return DDERR_INVALIDPARAMS;
  if (!object.level) return DDERR_NOCOOPERATIVELEVELSET;
  const DWORD caps = (description->dwFlags & DDSD_CAPS) ? description->ddsCaps.dwCaps : 0;
  if (!(caps & DDSCAPS_PRIMARYSURFACE) || (caps & DDSCAPS_SYSTEMMEMORY)) return DDERR_UNSUPPORTED;
  // The primary surface is the screen: its size and format are the mode's.
  if (description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT))
    return DDERR_INVALIDPARAMS;
  if (object.primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  const bool counted = (description->dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
  const DWORD needed = DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  if ((caps & needed) != needed || !counted || description->dwBackBufferCount < 1)
    return counted || (caps & needed) ? DDERR_INVALIDCAPS : DDERR_UNSUPPORTED;
  if (object.level != kExclusiveFullscreen) return DDERR_NOEXCLUSIVEMODE;
  if (description->dwBackBufferCount > static_cast<DWORD>(std::max(hooks.maxBackBuffers, 0)))
    return DDERR_OUTOFVIDEOMEMORY;
  return DD_OK;
}

// The primary surface with its back buffers, in the show's mode if the object set one, else
// the desktop's.
Surface* BuildChain(DirectDraw* owner, DWORD backBuffers) {
  const DisplayHardware& hardware = Hardware();
  const Mode mode =
      hardware.exclusiveOwner == owner && hardware.showModeSet ? hardware.showMode : DesktopMode();
  const DWORD chainCaps = DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
  Surface* front = new Surface(
      owner, mode, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE | DDSCAPS_FRONTBUFFER | chainCaps);
  for (DWORD index = 0; index < backBuffers; index++)
    (new Surface(owner, mode, (index == 0 ? DDSCAPS_BACKBUFFER : 0) | chainCaps))->JoinChain(front);
  // Memory made for a mode that isn't on the screen (the program lost the focus) is lost already.
  if (mode != ModeOnScreen())
    for (Surface* member : front->chain) member->lost = true;
  return front;
}

}  // namespace

DirectDraw::DirectDraw() { Hardware().objects.push_back(this); }

void ForgetObject(DirectDraw* object) {
  std::vector<DirectDraw*>& objects = Hardware().objects;
  objects.erase(std::remove(objects.begin(), objects.end(), object), objects.end());
}

ULONG DirectDraw::Release() {
  TraceCall("IDirectDraw::Release");
  // The program's only reference: it takes the object's surfaces and its hold on the screen.
  DestroySurfaces(this);
  EndExclusive(this);
  ForgetObject(this);
  delete this;
  return 0;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND target, DWORD flags) {
  char call[80] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "SetCooperativeLevel %s 0x%x", trace::Address(target).text,
                  static_cast<unsigned>(flags));
  DisplayHardware& hardware = Hardware();
  const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
  const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
  const bool normal = (flags & DDSCL_NORMAL) != 0;
  // Exclusive and fullscreen come together, and never with normal.
  if (exclusive != fullscreen || normal == exclusive)
    return Outcome(kInterface, DDERR_INVALIDPARAMS, call);

  if (exclusive) {
    if (!win32::WindowRecord(target)) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
    if ((hardware.exclusiveOwner && hardware.exclusiveOwner != this) || hooks.exclusiveRefused)
      return Outcome(kInterface, DDERR_EXCLUSIVEMODEALREADYSET, call);
    if (hardware.exclusiveOwner == this && hardware.exclusiveWindow != target)
      host::HideWindow(hardware.screenWindow);
    level = flags & kExclusiveFullscreen;
    hardware.exclusiveOwner = this;
    hardware.exclusiveWindow = target;
    Outcome(kInterface, DD_OK, call);
    // The window covers the screen and the system activates it: WM_ACTIVATEAPP 1 reaches its
    // procedure before this call returns, unless the program was active already.
    hardware.screenWindow = win32::RealWindow(target);
    host::ShowScreen(hardware.screenWindow);
    win32::ActivateApplication(target, win32::Delivery::kNow);
    // Now under the pointer, the window is asked for its cursor before this call returns too.
    win32::SendPointerOver(target);
    ScreenMayHaveChanged();
    return DD_OK;
  }

  if (target && !win32::WindowRecord(target)) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  EndExclusive(this);
  level = DDSCL_NORMAL;
  return Outcome(kInterface, DD_OK, call);
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  char call[80] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "SetDisplayMode %u %u %u", static_cast<unsigned>(width),
                  static_cast<unsigned>(height), static_cast<unsigned>(bitsPerPixel));
  DisplayHardware& hardware = Hardware();
  if (!level) return Outcome(kInterface, DDERR_NOCOOPERATIVELEVELSET, call);
  if (hardware.exclusiveOwner != this) return Outcome(kInterface, DDERR_NOEXCLUSIVEMODE, call);
  if (!SizeOffered(width, height) || !DepthAccepted(static_cast<int>(bitsPerPixel)))
    return Outcome(kInterface, DDERR_INVALIDMODE, call);
  const int depth = static_cast<int>(bitsPerPixel);
  hardware.showMode =
      Mode{static_cast<int>(width), static_cast<int>(height), depth, LayoutForDepth(depth), false};
  hardware.showModeSet = true;
  ScreenMayHaveChanged();
  return Outcome(kInterface, DD_OK, call);
}

HRESULT DirectDraw::RestoreDisplayMode() {
  DisplayHardware& hardware = Hardware();
  if (hardware.exclusiveOwner && hardware.exclusiveOwner != this)
    return Outcome(kInterface, DDERR_NOEXCLUSIVEMODE, "RestoreDisplayMode");
  if (hardware.exclusiveOwner == this) {
    hardware.showModeSet = false;
    ScreenMayHaveChanged();
  }
  return Outcome(kInterface, DD_OK, "RestoreDisplayMode");
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                  IUnknown* outer) {
  char call[160] = "";
  if (trace::Tracing() && description)
    trace::Format(call, sizeof call,
                  "CreateSurface {dwSize %u, dwFlags 0x%x, dwBackBufferCount %u, ddsCaps 0x%x} %s",
                  static_cast<unsigned>(description->dwSize),
                  static_cast<unsigned>(description->dwFlags),
                  static_cast<unsigned>(description->dwBackBufferCount),
                  static_cast<unsigned>(description->ddsCaps.dwCaps), trace::Address(outer).text);
  else if (trace::Tracing())
    trace::Format(call, sizeof call, "CreateSurface null %s", trace::Address(outer).text);
  const HRESULT refusal = ChainRefusal(*this, description, surface, outer);
  if (refusal < 0) return Outcome(kInterface, refusal, call);
  primary = BuildChain(this, description->dwBackBufferCount);
  Hardware().newestChain = primary;
  *surface = primary;
  return Outcome(kInterface, DD_OK, call);
}

}  // namespace ddraw
}  // namespace platform

HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* display, IUnknown* outer) {
  // The driver reads its profile as it starts: a wrong name is reported even with no display.
  platform::ddraw::ProfileInForce();
  HRESULT result = DD_OK;
  if (outer)
    result = CLASS_E_NOAGGREGATION;
  else if (!display)
    result = DDERR_INVALIDPARAMS;
  else if (device)  // only the default display exists
    result = DDERR_INVALIDDIRECTDRAWGUID;
  else if (platform::ddraw::hooks.createFails || !platform::host::StartVideo())
    result = DDERR_NODIRECTDRAWHW;  // no display to draw on
  if (result < 0) {
    if (display) *display = nullptr;
    TraceCall("DirectDrawCreate -> 0x%08x", static_cast<unsigned>(result));
    return result;
  }
  TraceCall("DirectDrawCreate");
  platform::ddraw::ListenToActivation();
  *display = new platform::ddraw::DirectDraw();
  return DD_OK;
}

// ddraw.dll, offered to the loader (which names no library) as this object initialises. Nothing
// calls DirectDrawCreate by name, and a linker takes from a static library only the objects
// something refers to, so quenthor_ddraw asks every program that links it to keep this symbol
// (--undefined, platform/CMakeLists.txt), in any link order. A weak reference from win32/ would
// not pull the object in, and a strong one would make the loader depend on the layer above it.
// The entry goes through the generic function type, as an export table holds every entry alike.
extern "C" const bool quenthor_ddraw_offered =
    (platform::win32::OfferEntry(
         "ddraw.dll", "DirectDrawCreate",
         reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawCreate))),
     true);
