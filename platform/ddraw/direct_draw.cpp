// IDirectDraw over the emulated screen, and DirectDrawCreate.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ddraw/direct_draw_hooks.h"
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

// What CreateSurface was asked for.
struct SurfaceRequest {
  DWORD caps;         // the capabilities asked for, or none without DDSD_CAPS
  bool counted;       // a back-buffer count came with the request
  DWORD backBuffers;  // that count, else 0
  bool chain;         // a flip chain: a count, or the flip or complex capability
};

SurfaceRequest ReadSurfaceRequest(const DDSURFACEDESC* description) {
  SurfaceRequest request = {0, false, 0, false};
  if (!description) return request;
  request.counted = (description->dwFlags & DDSD_BACKBUFFERCOUNT) != 0;
  request.backBuffers = request.counted ? description->dwBackBufferCount : 0;
  request.caps = (description->dwFlags & DDSD_CAPS) ? description->ddsCaps.dwCaps : 0;
  request.chain = request.counted || (request.caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX));
  return request;
}

// Why the object makes no primary surface as asked, or DD_OK.
HRESULT PrimaryRefusal(const DirectDraw& object, const DDSURFACEDESC* description,
                       LPDIRECTDRAWSURFACE* surface, IUnknown* outer,
                       const SurfaceRequest& request) {
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!description || !surface || description->dwSize != sizeof(DDSURFACEDESC))
    return DDERR_INVALIDPARAMS;
  if (!object.level) return DDERR_NOCOOPERATIVELEVELSET;
  // Only the screen itself is emulated: no off-screen surfaces, no overlays, no textures.
  if (!(request.caps & DDSCAPS_PRIMARYSURFACE)) return DDERR_UNSUPPORTED;
  // The primary surface is the screen: its size and format are the mode's.
  if (description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT))
    return DDERR_INVALIDPARAMS;
  if (object.primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  return DD_OK;
}

// Why the flip chain asked for can't be built, or DD_OK.
HRESULT ChainRefusal(const DirectDraw& object, const SurfaceRequest& request) {
  const DWORD needed = DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  if ((request.caps & needed) != needed || !request.counted || request.backBuffers < 1)
    return DDERR_INVALIDCAPS;
  if (object.level != kExclusiveFullscreen) return DDERR_NOEXCLUSIVEMODE;
  if (request.backBuffers > static_cast<DWORD>(std::max(directDrawHooks.maxBackBuffers, 0)))
    return DDERR_OUTOFVIDEOMEMORY;
  return DD_OK;
}

// The primary surface with its back buffers, in the show's mode if the object set one, else
// the desktop's.
Surface* BuildPrimary(DirectDraw* owner, const SurfaceRequest& request) {
  const DisplayHardware& hardware = Hardware();
  const Mode mode =
      hardware.exclusiveOwner == owner && hardware.showModeSet ? hardware.showMode : DesktopMode();
  const DWORD memoryCaps =
      (request.caps & DDSCAPS_SYSTEMMEMORY) ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
  const DWORD chainCaps = request.chain ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
  Surface* front = new Surface(owner, mode,
                               DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE | memoryCaps | chainCaps |
                                   (request.chain ? DDSCAPS_FRONTBUFFER : 0));
  for (DWORD index = 0; index < request.backBuffers; index++) {
    const DWORD role = index == 0 ? DDSCAPS_BACKBUFFER : 0;
    (new Surface(owner, mode, role | chainCaps | memoryCaps))->JoinChain(front);
  }
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
  if (--references_ > 0) return references_;
  // The last reference takes the object's surfaces and its hold on the screen with it.
  DestroySurfaces(this);
  EndExclusive(this);
  ForgetObject(this);
  delete this;
  return 0;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND target, DWORD flags) {
  char call[80] = "";
  if (Tracing())
    TraceFormat(call, sizeof call, "SetCooperativeLevel %s 0x%x", TraceAddress(target).text,
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
    if ((hardware.exclusiveOwner && hardware.exclusiveOwner != this) ||
        directDrawHooks.exclusiveRefused)
      return Outcome(kInterface, DDERR_EXCLUSIVEMODEALREADYSET, call);
    if (hardware.exclusiveOwner == this && hardware.exclusiveWindow != target)
      win32::LeaveScreen(hardware.exclusiveWindow);
    level = flags & kExclusiveFullscreen;
    window = target;
    hardware.exclusiveOwner = this;
    hardware.exclusiveWindow = target;
    Outcome(kInterface, DD_OK, call);
    // The window covers the screen and the system activates it: WM_ACTIVATEAPP 1 reaches its
    // procedure before this call returns, unless the program was active already.
    win32::TakeScreen(target);
    win32::ActivateApplication(target, win32::Delivery::kNow);
    // Now under the pointer, the window is asked for its cursor before this call returns too.
    win32::SendPointerOver(target);
    ScreenMayHaveChanged();
    return DD_OK;
  }

  if (target && !win32::WindowRecord(target)) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  EndExclusive(this);
  level = DDSCL_NORMAL;
  window = target;
  return Outcome(kInterface, DD_OK, call);
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  char call[80] = "";
  if (Tracing())
    TraceFormat(call, sizeof call, "SetDisplayMode %u %u %u", static_cast<unsigned>(width),
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
  const SurfaceRequest request = ReadSurfaceRequest(description);
  char call[160] = "";
  if (Tracing() && description)
    TraceFormat(call, sizeof call,
                "CreateSurface {dwSize %u, dwFlags 0x%x, dwBackBufferCount %u, ddsCaps 0x%x} %s",
                static_cast<unsigned>(description->dwSize),
                static_cast<unsigned>(description->dwFlags),
                static_cast<unsigned>(description->dwBackBufferCount),
                static_cast<unsigned>(description->ddsCaps.dwCaps), TraceAddress(outer).text);
  else if (Tracing())
    TraceFormat(call, sizeof call, "CreateSurface null %s", TraceAddress(outer).text);
  HRESULT refusal = PrimaryRefusal(*this, description, surface, outer, request);
  if (refusal >= 0 && request.chain) refusal = ChainRefusal(*this, request);
  if (refusal < 0) return Outcome(kInterface, refusal, call);

  Surface* front = BuildPrimary(this, request);
  primary = front;
  if (request.chain) Hardware().newestChain = front;
  *surface = front;
  return Outcome(kInterface, DD_OK, call);
}

HRESULT DirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE) {
  if (flags & DDWAITVB_BLOCKBEGIN) host::WaitForBlankAfter(host::CurrentBlank());
  return Outcome(kInterface, DD_OK, "WaitForVerticalBlank");
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
  else if (platform::ddraw::directDrawHooks.createFails || !platform::host::StartVideo())
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
