// Our ddraw.dll, which Windows loads from the program's folder before its own: it stands between
// the show and the system's DirectDraw, loaded from the system folder by its full path.
//
// By default every call goes straight through: DirectDrawCreate returns the system's own object,
// and the show is drawn exactly as it would be without us. In gentle mode DirectDrawCreate
// returns a wrapper of that object, which wraps the primary surface it creates; at each Flip of
// the primary, the picture on the back surface is replaced with gentle viewing's
// (gentle_surface.h). Every other call is passed on, with our wrappers unwrapped first.
//
// Gentle mode is chosen by QUENTHOR_DISPLAY_GENTLE (only a plain no refuses it), or, when that
// is unset, by Windows' own "Show animations in Windows" being off (Vista and later; on XP the
// setting doesn't exist, and nothing is asked).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The interfaces' identifiers are defined here, where QueryInterface compares them.
#include <initguid.h>
#include <ddraw.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gentleddraw/gentle_surface.h"
#include "platform/host/gentle.h"

// XP's headers lack it: the system answers FALSE for it where animations are turned off.
#ifndef SPI_GETCLIENTAREAANIMATION
#define SPI_GETCLIENTAREAANIMATION 0x1042
#endif

namespace {

using platform::gentleddraw::ForgetGentleSurface;
using platform::gentleddraw::GentleSurface;
using platform::gentleddraw::LockedSurface;
using platform::host::GentleAsked;
using platform::host::GentleAskedBy;

// The system's DirectDraw, loaded once and kept: its objects may outlive any one call.
HMODULE SystemDirectDraw() {
  static HMODULE system = nullptr;
  if (system) return system;
  char path[MAX_PATH + 16];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::strcpy(path + length, "\\ddraw.dll");
  system = LoadLibraryA(path);
  return system;
}

FARPROC SystemEntry(const char* name) {
  HMODULE system = SystemDirectDraw();
  return system ? GetProcAddress(system, name) : nullptr;
}

// Whether this process shows gentle viewing, decided at the first DirectDrawCreate.
bool GentleChosen() {
  static int chosen = -1;
  if (chosen >= 0) return chosen == 1;
  const GentleAsked asked = GentleAskedBy(std::getenv("QUENTHOR_DISPLAY_GENTLE"));
  chosen = asked == GentleAsked::kYes;
  if (asked == GentleAsked::kNotSaid) {
    BOOL animations = TRUE;
    if (SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0) && !animations) {
      chosen = 1;
      std::printf(
          "Gentle mode: Windows is set not to show animations, so the show runs without the "
          "flashing (QUENTHOR_DISPLAY_GENTLE=0 shows it as it is)\n");
      std::fflush(stdout);
    }
  }
  return chosen == 1;
}

class GentleSurfaceWrapper;
// The one primary surface wrapped in this process: what Unwrap recognises.
GentleSurfaceWrapper* wrappedPrimary = nullptr;
IDirectDrawSurface* Unwrap(IDirectDrawSurface* surface);

// Replaces the picture on the surface the flip will show with gentle viewing's, in its layout.
// A surface that can't be locked (lost, or busy) is flipped as it is.
void DrawGentle(IDirectDrawSurface* primary, IDirectDrawSurface* target) {
  IDirectDrawSurface* back = target;
  if (back) {
    back->AddRef();
  } else {
    DDSCAPS caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (primary->GetAttachedSurface(&caps, &back) < 0 || !back) return;
  }
  DDSURFACEDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  if (back->Lock(nullptr, &description, DDLOCK_WAIT, nullptr) >= 0) {
    DDPIXELFORMAT format = description.ddpfPixelFormat;
    if (!(description.dwFlags & DDSD_PIXELFORMAT)) {
      std::memset(&format, 0, sizeof format);
      format.dwSize = sizeof format;
      back->GetPixelFormat(&format);
    }
    LockedSurface surface{static_cast<std::uint8_t*>(description.lpSurface),
                          static_cast<int>(description.lPitch),
                          static_cast<int>(description.dwWidth),
                          static_cast<int>(description.dwHeight),
                          format.dwFlags & DDPF_RGB ? format.dwRGBBitCount : 0,
                          format.dwRBitMask,
                          format.dwGBitMask,
                          format.dwBBitMask};
    GentleSurface(surface, GetTickCount());
    back->Unlock(description.lpSurface);
  }
  back->Release();
}

// What both wrappers share: the system's object they stand for, and a count of the show's
// references to the wrapper; the system's own count goes up and down with it. The wrapper's
// Forgotten() lets go of what goes with it, just before it is deleted.
template <class Interface, class Wrapper>
class PassingThrough : public Interface {
 public:
  explicit PassingThrough(Interface* real) : real_(real) {}
  Interface* Real() const { return real_; }

  STDMETHOD(QueryInterface)(REFIID riid, void** object) override {
    if (object && (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, Wrapper::Iid()))) {
      this->AddRef();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    return real_->QueryInterface(riid, object);
  }
  STDMETHOD_(ULONG, AddRef)() override {
    references_++;
    return real_->AddRef();
  }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = real_->Release();
    if (--references_ == 0) {
      Wrapper* wrapper = static_cast<Wrapper*>(this);
      wrapper->Forgotten();
      delete wrapper;
    }
    return left;
  }

 protected:
  Interface* real_;

 private:
  ULONG references_ = 1;
};

// Puts a new wrapper in place of the system's object the call made, and keeps it as the one of
// its kind. Without the wrapper the flashing would reach the screen: without the memory for it,
// the call gives no object at all.
template <class Wrapper, class Interface>
HRESULT Wrapped(HRESULT made, Interface** object, Wrapper** kept) {
  Wrapper* wrapper = new (std::nothrow) Wrapper(*object);
  if (!wrapper) {
    (*object)->Release();
    *object = nullptr;
    return DDERR_OUTOFMEMORY;
  }
  *kept = wrapper;
  *object = wrapper;
  return made;
}

// The primary surface in gentle mode: Flip draws gentle viewing first; the rest passes through.
// It holds the system's surface and lives as long as the show holds it.
class GentleSurfaceWrapper final
    : public PassingThrough<IDirectDrawSurface, GentleSurfaceWrapper> {
 public:
  using PassingThrough::PassingThrough;
  static const IID& Iid() { return IID_IDirectDrawSurface; }
  void Forgotten() {
    ForgetGentleSurface();
    if (wrappedPrimary == this) wrappedPrimary = nullptr;
  }

  STDMETHOD(AddAttachedSurface)(LPDIRECTDRAWSURFACE surface) override {
    return real_->AddAttachedSurface(Unwrap(surface));
  }
  STDMETHOD(AddOverlayDirtyRect)(LPRECT rect) override { return real_->AddOverlayDirtyRect(rect); }
  STDMETHOD(Blt)(LPRECT to, LPDIRECTDRAWSURFACE source, LPRECT from, DWORD flags,
                 LPDDBLTFX effects) override {
    return real_->Blt(to, Unwrap(source), from, flags, effects);
  }
  STDMETHOD(BltBatch)(LPDDBLTBATCH batch, DWORD count, DWORD flags) override {
    return real_->BltBatch(batch, count, flags);
  }
  STDMETHOD(BltFast)(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT from,
                     DWORD transfer) override {
    return real_->BltFast(x, y, Unwrap(source), from, transfer);
  }
  STDMETHOD(DeleteAttachedSurface)(DWORD flags, LPDIRECTDRAWSURFACE surface) override {
    return real_->DeleteAttachedSurface(flags, Unwrap(surface));
  }
  STDMETHOD(EnumAttachedSurfaces)(LPVOID context, LPDDENUMSURFACESCALLBACK callback) override {
    return real_->EnumAttachedSurfaces(context, callback);
  }
  STDMETHOD(EnumOverlayZOrders)(DWORD flags, LPVOID context,
                                LPDDENUMSURFACESCALLBACK callback) override {
    return real_->EnumOverlayZOrders(flags, context, callback);
  }
  STDMETHOD(Flip)(LPDIRECTDRAWSURFACE target, DWORD flags) override {
    IDirectDrawSurface* system = Unwrap(target);
    DrawGentle(real_, system);
    return real_->Flip(system, flags);
  }
  STDMETHOD(GetAttachedSurface)(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* surface) override {
    return real_->GetAttachedSurface(caps, surface);
  }
  STDMETHOD(GetBltStatus)(DWORD flags) override { return real_->GetBltStatus(flags); }
  STDMETHOD(GetCaps)(LPDDSCAPS caps) override { return real_->GetCaps(caps); }
  STDMETHOD(GetClipper)(LPDIRECTDRAWCLIPPER* clipper) override { return real_->GetClipper(clipper); }
  STDMETHOD(GetColorKey)(DWORD flags, LPDDCOLORKEY key) override {
    return real_->GetColorKey(flags, key);
  }
  STDMETHOD(GetDC)(HDC* dc) override { return real_->GetDC(dc); }
  STDMETHOD(GetFlipStatus)(DWORD flags) override { return real_->GetFlipStatus(flags); }
  STDMETHOD(GetOverlayPosition)(LPLONG x, LPLONG y) override {
    return real_->GetOverlayPosition(x, y);
  }
  STDMETHOD(GetPalette)(LPDIRECTDRAWPALETTE* palette) override { return real_->GetPalette(palette); }
  STDMETHOD(GetPixelFormat)(LPDDPIXELFORMAT format) override { return real_->GetPixelFormat(format); }
  STDMETHOD(GetSurfaceDesc)(LPDDSURFACEDESC description) override {
    return real_->GetSurfaceDesc(description);
  }
  STDMETHOD(Initialize)(LPDIRECTDRAW display, LPDDSURFACEDESC description) override;
  STDMETHOD(IsLost)() override { return real_->IsLost(); }
  STDMETHOD(Lock)(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event) override {
    return real_->Lock(rect, description, flags, event);
  }
  STDMETHOD(ReleaseDC)(HDC dc) override { return real_->ReleaseDC(dc); }
  STDMETHOD(Restore)() override { return real_->Restore(); }
  STDMETHOD(SetClipper)(LPDIRECTDRAWCLIPPER clipper) override { return real_->SetClipper(clipper); }
  STDMETHOD(SetColorKey)(DWORD flags, LPDDCOLORKEY key) override {
    return real_->SetColorKey(flags, key);
  }
  STDMETHOD(SetOverlayPosition)(LONG x, LONG y) override { return real_->SetOverlayPosition(x, y); }
  STDMETHOD(SetPalette)(LPDIRECTDRAWPALETTE palette) override { return real_->SetPalette(palette); }
  STDMETHOD(Unlock)(LPVOID bytes) override { return real_->Unlock(bytes); }
  STDMETHOD(UpdateOverlay)(LPRECT from, LPDIRECTDRAWSURFACE to, LPRECT toRect, DWORD flags,
                           LPDDOVERLAYFX effects) override {
    return real_->UpdateOverlay(from, Unwrap(to), toRect, flags, effects);
  }
  STDMETHOD(UpdateOverlayDisplay)(DWORD flags) override {
    return real_->UpdateOverlayDisplay(flags);
  }
  STDMETHOD(UpdateOverlayZOrder)(DWORD flags, LPDIRECTDRAWSURFACE reference) override {
    return real_->UpdateOverlayZOrder(flags, Unwrap(reference));
  }
};

IDirectDrawSurface* Unwrap(IDirectDrawSurface* surface) {
  if (surface && surface == static_cast<IDirectDrawSurface*>(wrappedPrimary))
    return wrappedPrimary->Real();
  return surface;
}

class GentleDirectDraw;
GentleDirectDraw* wrappedDisplay = nullptr;
IDirectDraw* UnwrapDisplay(IDirectDraw* display);

HRESULT GentleSurfaceWrapper::Initialize(LPDIRECTDRAW display, LPDDSURFACEDESC description) {
  return real_->Initialize(UnwrapDisplay(display), description);
}

// DirectDraw in gentle mode: CreateSurface wraps the primary surface; the rest passes through.
class GentleDirectDraw final : public PassingThrough<IDirectDraw, GentleDirectDraw> {
 public:
  using PassingThrough::PassingThrough;
  static const IID& Iid() { return IID_IDirectDraw; }
  void Forgotten() {
    if (wrappedDisplay == this) wrappedDisplay = nullptr;
  }

  STDMETHOD(Compact)() override { return real_->Compact(); }
  STDMETHOD(CreateClipper)(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override {
    return real_->CreateClipper(flags, clipper, outer);
  }
  STDMETHOD(CreatePalette)(DWORD flags, LPPALETTEENTRY colours, LPDIRECTDRAWPALETTE* palette,
                           IUnknown* outer) override {
    return real_->CreatePalette(flags, colours, palette, outer);
  }
  STDMETHOD(CreateSurface)(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                           IUnknown* outer) override {
    const HRESULT result = real_->CreateSurface(description, surface, outer);
    if (result < 0 || !surface || !*surface || !description ||
        !(description->dwFlags & DDSD_CAPS) ||
        !(description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) || wrappedPrimary)
      return result;
    return Wrapped(result, surface, &wrappedPrimary);
  }
  STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE surface, LPDIRECTDRAWSURFACE* copy) override {
    return real_->DuplicateSurface(Unwrap(surface), copy);
  }
  STDMETHOD(EnumDisplayModes)(DWORD flags, LPDDSURFACEDESC description, LPVOID context,
                              LPDDENUMMODESCALLBACK callback) override {
    return real_->EnumDisplayModes(flags, description, context, callback);
  }
  STDMETHOD(EnumSurfaces)(DWORD flags, LPDDSURFACEDESC description, LPVOID context,
                          LPDDENUMSURFACESCALLBACK callback) override {
    return real_->EnumSurfaces(flags, description, context, callback);
  }
  STDMETHOD(FlipToGDISurface)() override { return real_->FlipToGDISurface(); }
  STDMETHOD(GetCaps)(LPDDCAPS driver, LPDDCAPS emulation) override {
    return real_->GetCaps(driver, emulation);
  }
  STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC description) override {
    return real_->GetDisplayMode(description);
  }
  STDMETHOD(GetFourCCCodes)(LPDWORD count, LPDWORD codes) override {
    return real_->GetFourCCCodes(count, codes);
  }
  STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE* surface) override {
    return real_->GetGDISurface(surface);
  }
  STDMETHOD(GetMonitorFrequency)(LPDWORD frequency) override {
    return real_->GetMonitorFrequency(frequency);
  }
  STDMETHOD(GetScanLine)(LPDWORD line) override { return real_->GetScanLine(line); }
  STDMETHOD(GetVerticalBlankStatus)(WINBOOL* inBlank) override {
    return real_->GetVerticalBlankStatus(inBlank);
  }
  STDMETHOD(Initialize)(GUID* device) override { return real_->Initialize(device); }
  STDMETHOD(RestoreDisplayMode)() override { return real_->RestoreDisplayMode(); }
  STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override {
    return real_->SetCooperativeLevel(window, flags);
  }
  STDMETHOD(SetDisplayMode)(DWORD width, DWORD height, DWORD bits) override {
    return real_->SetDisplayMode(width, height, bits);
  }
  STDMETHOD(WaitForVerticalBlank)(DWORD flags, HANDLE event) override {
    return real_->WaitForVerticalBlank(flags, event);
  }
};

IDirectDraw* UnwrapDisplay(IDirectDraw* display) {
  if (display && display == static_cast<IDirectDraw*>(wrappedDisplay))
    return wrappedDisplay->Real();
  return display;
}

typedef HRESULT(WINAPI* CreateEntry)(GUID*, LPDIRECTDRAW*, IUnknown*);
typedef HRESULT(WINAPI* CreateExEntry)(GUID*, LPVOID*, REFIID, IUnknown*);
typedef HRESULT(WINAPI* CreateClipperEntry)(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*);
typedef HRESULT(WINAPI* EnumerateEntry)(LPDDENUMCALLBACKA, LPVOID);
typedef HRESULT(WINAPI* EnumerateExEntry)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);

template <typename Entry>
Entry Find(const char* name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(SystemEntry(name)));
}

}  // namespace

extern "C" {

HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* display, IUnknown* outer) {
  const CreateEntry create = Find<CreateEntry>("DirectDrawCreate");
  if (!create) return DDERR_GENERIC;
  // Decided first, so that the reason is printed whatever the system's DirectDraw does.
  const bool gentle = GentleChosen();
  const HRESULT result = create(device, display, outer);
  if (result < 0 || !gentle || !display || !*display) return result;
  return Wrapped(result, display, &wrappedDisplay);
}

// The other entries a DirectDraw program may look for, straight through: the interfaces they
// give are later versions', which the show doesn't use.
HRESULT WINAPI DirectDrawCreateEx(GUID* device, LPVOID* display, REFIID riid, IUnknown* outer) {
  const CreateExEntry create = Find<CreateExEntry>("DirectDrawCreateEx");
  return create ? create(device, display, riid, outer) : DDERR_GENERIC;
}

HRESULT WINAPI DirectDrawCreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                       IUnknown* outer) {
  const CreateClipperEntry create = Find<CreateClipperEntry>("DirectDrawCreateClipper");
  return create ? create(flags, clipper, outer) : DDERR_GENERIC;
}

HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  const EnumerateEntry enumerate = Find<EnumerateEntry>("DirectDrawEnumerateA");
  return enumerate ? enumerate(callback, context) : DDERR_GENERIC;
}

HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  const EnumerateExEntry enumerate = Find<EnumerateExEntry>("DirectDrawEnumerateExA");
  return enumerate ? enumerate(callback, context, flags) : DDERR_GENERIC;
}

}  // extern "C"
