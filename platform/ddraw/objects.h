// The DirectDraw object and surface: the first-version interfaces over the emulated screen.
// Only what the show asks of them is emulated: a flipping primary surface in video memory, whole
// locks and flips to the next buffer that wait, and the refusals the show's own path checks.
// Every other method, and every other variant of those calls (a rectangle, a named target, no
// wait, system memory), answers DDERR_UNSUPPORTED.
//
// Traced calls: "DirectDrawCreate", "IDirectDraw::<method>" and "IDirectDrawSurface::<method>"
// with the arguments that tell a call made right from one made nearly right, in the call's
// order; a record as the fields read from it, an address or handle as "null" or "0x<hex>":
//   IDirectDraw::SetCooperativeLevel <window> 0x<flags>
//   IDirectDraw::SetDisplayMode <width> <height> <bits per pixel>
//   IDirectDraw::CreateSurface {dwSize <n>, dwFlags 0x<f>, dwBackBufferCount <n>,
//                               ddsCaps 0x<caps>} <outer>
//   IDirectDrawSurface::GetAttachedSurface {dwCaps 0x<caps>}
//   IDirectDrawSurface::GetPixelFormat {dwSize <n>}
//   IDirectDrawSurface::Lock <rectangle> {dwSize <n>} 0x<flags> <event>
//   IDirectDrawSurface::Unlock <address>
//   IDirectDrawSurface::Flip <target> 0x<flags>
// A failure ends with " -> 0x<result>"; success adds nothing.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw_declarations.h"
#include "platform/ddraw/device.h"
#include "platform/trace/call_trace.h"

namespace platform {
namespace ddraw {

// Traces "<interfaceName>::<call>", with " -> 0x<result>" when the result is a failure, and
// returns the result.
HRESULT Outcome(const char* interfaceName, HRESULT result, const char* call);
inline HRESULT Unsupported(const char* interfaceName, const char* method) {
  return Outcome(interfaceName, DDERR_UNSUPPORTED, method);
}

// Neither object offers a later interface (E_NOINTERFACE, the pointer cleared), and both count
// the program's references alike.
#define QUENTHOR_UNKNOWN(interfaceName)                                      \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override { \
    if (object) *object = nullptr;                                           \
    return Outcome(interfaceName, E_NOINTERFACE, "QueryInterface");          \
  }                                                                          \
  ULONG STDMETHODCALLTYPE AddRef() override {                                \
    TraceCall(interfaceName "::AddRef");                                     \
    return ++references_;                                                    \
  }

// A method the emulated screen doesn't offer: traced, and DDERR_UNSUPPORTED. The parameters'
// types only: nothing reads them.
#define QUENTHOR_UNSUPPORTED(interfaceName, method, ...)   \
  HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { \
    return Unsupported(interfaceName, #method);            \
  }

class DirectDraw final : public IDirectDraw {
 public:
  DirectDraw();

  QUENTHOR_UNKNOWN("IDirectDraw")
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                          LPDIRECTDRAWSURFACE* surface, IUnknown* outer) override;
  HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                           DWORD bitsPerPixel) override;

  QUENTHOR_UNSUPPORTED("IDirectDraw", Compact)
  QUENTHOR_UNSUPPORTED("IDirectDraw", CreateClipper, DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*)
  QUENTHOR_UNSUPPORTED("IDirectDraw", CreatePalette, DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*,
                       IUnknown*)
  QUENTHOR_UNSUPPORTED("IDirectDraw", DuplicateSurface, LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*)
  QUENTHOR_UNSUPPORTED("IDirectDraw", EnumDisplayModes, DWORD, LPDDSURFACEDESC, LPVOID,
                       LPDDENUMMODESCALLBACK)
  QUENTHOR_UNSUPPORTED("IDirectDraw", EnumSurfaces, DWORD, LPDDSURFACEDESC, LPVOID,
                       LPDDENUMSURFACESCALLBACK)
  QUENTHOR_UNSUPPORTED("IDirectDraw", FlipToGDISurface)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetCaps, LPDDCAPS, LPDDCAPS)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetDisplayMode, LPDDSURFACEDESC)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetFourCCCodes, LPDWORD, LPDWORD)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetGDISurface, LPDIRECTDRAWSURFACE*)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetMonitorFrequency, LPDWORD)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetScanLine, LPDWORD)
  QUENTHOR_UNSUPPORTED("IDirectDraw", GetVerticalBlankStatus, LPBOOL)
  QUENTHOR_UNSUPPORTED("IDirectDraw", Initialize, GUID*)
  QUENTHOR_UNSUPPORTED("IDirectDraw", WaitForVerticalBlank, DWORD, HANDLE)

  // No level yet, DDSCL_NORMAL, or DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE.
  DWORD level = 0;
  Surface* primary = nullptr;

 private:
  ~DirectDraw() = default;
  ULONG references_ = 1;
  friend void ResetDevice();
};

class Surface final : public IDirectDrawSurface {
 public:
  Surface(DirectDraw* owner, const Mode& mode, DWORD caps);

  QUENTHOR_UNKNOWN("IDirectDrawSurface")
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                               LPDIRECTDRAWSURFACE* surface) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                 HANDLE event) override;
  HRESULT STDMETHODCALLTYPE Restore() override;
  HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) override;

  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", AddAttachedSurface, LPDIRECTDRAWSURFACE)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", AddOverlayDirtyRect, LPRECT)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", Blt, LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD,
                       LPDDBLTFX)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", BltBatch, LPDDBLTBATCH, DWORD, DWORD)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", BltFast, DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT,
                       DWORD)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", DeleteAttachedSurface, DWORD, LPDIRECTDRAWSURFACE)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", EnumAttachedSurfaces, LPVOID,
                       LPDDENUMSURFACESCALLBACK)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", EnumOverlayZOrders, DWORD, LPVOID,
                       LPDDENUMSURFACESCALLBACK)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetBltStatus, DWORD)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetCaps, LPDDSCAPS)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetClipper, LPDIRECTDRAWCLIPPER*)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetColorKey, DWORD, LPDDCOLORKEY)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetDC, HDC*)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetFlipStatus, DWORD)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetOverlayPosition, LPLONG, LPLONG)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetPalette, LPDIRECTDRAWPALETTE*)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", GetSurfaceDesc, LPDDSURFACEDESC)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", Initialize, LPDIRECTDRAW, LPDDSURFACEDESC)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", IsLost)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", ReleaseDC, HDC)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", SetClipper, LPDIRECTDRAWCLIPPER)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", SetColorKey, DWORD, LPDDCOLORKEY)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", SetOverlayPosition, LONG, LONG)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", SetPalette, LPDIRECTDRAWPALETTE)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", UpdateOverlay, LPRECT, LPDIRECTDRAWSURFACE, LPRECT,
                       DWORD, LPDDOVERLAYFX)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", UpdateOverlayDisplay, DWORD)
  QUENTHOR_UNSUPPORTED("IDirectDrawSurface", UpdateOverlayZOrder, DWORD, LPDIRECTDRAWSURFACE)

  // Makes this surface a back buffer of the chain: the chain holds it, the program doesn't yet.
  void JoinChain(Surface* chainFront);
  // Fills the memory with the driver's fill byte (new or restored memory).
  void Clear();
  bool IsFront() const { return front == this; }

  DirectDraw* owner;
  Mode mode;
  DWORD caps;
  int bytesPerPixel;
  int pitch;
  std::vector<std::uint8_t> memory;
  bool lost = false;
  bool locked = false;
  std::uint8_t* lockAddress = nullptr;
  // The front's last flip, until the blank after flipBlank (see host::CurrentBlank).
  bool flipPending = false;
  std::uint64_t flipBlank = 0;
  // The chain: every surface knows its front; the front lists all of them, itself first. A
  // surface made alone is its own front and chain.
  Surface* front;
  std::vector<Surface*> chain;
  Surface* attached = nullptr;  // the next surface of the chain, null for the last

 private:
  ~Surface() = default;
  // References held by the program. The back buffers are the chain's and go with its front.
  ULONG references_;
  friend void DestroySurfaces(DirectDraw* owner);
  friend void DestroyChain(Surface* front);
  friend void ResetDevice();
};

// Frees a chain (or a surface made alone) and everything the program held of it.
void DestroyChain(Surface* front);
// Frees every surface made by the object.
void DestroySurfaces(DirectDraw* owner);
void ForgetObject(DirectDraw* object);

}  // namespace ddraw
}  // namespace platform
