// The DirectDraw object and surface: the first-version interfaces over the emulated screen.
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
//   IDirectDrawSurface::Lock <null, or {left l, top t, right r, bottom b}> {dwSize <n>} 0x<flags>
//                            <event>
//   IDirectDrawSurface::Unlock <address>
//   IDirectDrawSurface::Flip <target> 0x<flags>
// A failure ends with " -> 0x<result>"; success adds nothing.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw_declarations.h"
#include "platform/ddraw/device.h"

namespace platform {
namespace ddraw {

class DirectDraw final : public IDirectDraw {
 public:
  DirectDraw();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Compact() override;
  HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                          IUnknown* outer) override;
  HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                          LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
  HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                          LPDIRECTDRAWSURFACE* surface, IUnknown* outer) override;
  HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE original,
                                             LPDIRECTDRAWSURFACE* duplicate) override;
  HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC description,
                                             LPVOID context,
                                             LPDDENUMMODESCALLBACK callback) override;
  HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC description,
                                         LPVOID context,
                                         LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT STDMETHODCALLTYPE FlipToGDISurface() override;
  HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS emulationCaps) override;
  HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC description) override;
  HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) override;
  HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) override;
  HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) override;
  HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) override;
  HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL inBlank) override;
  HRESULT STDMETHODCALLTYPE Initialize(GUID* device) override;
  HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                           DWORD bitsPerPixel) override;
  HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) override;

  // No level yet, DDSCL_NORMAL, or DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE.
  DWORD level = 0;
  HWND window = nullptr;
  Surface* primary = nullptr;

 private:
  ~DirectDraw() = default;
  ULONG references_ = 1;
  friend void ResetDevice();
};

class Surface final : public IDirectDrawSurface {
 public:
  Surface(DirectDraw* owner, const Mode& mode, DWORD caps);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE surface) override;
  HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) override;
  HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                DWORD flags, LPDDBLTFX effects) override;
  HRESULT STDMETHODCALLTYPE BltBatch(LPDDBLTBATCH batch, DWORD count, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                    LPRECT sourceRect, DWORD trans) override;
  HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                  LPDIRECTDRAWSURFACE surface) override;
  HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                 LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                               LPDDENUMSURFACESCALLBACK callback) override;
  HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                               LPDIRECTDRAWSURFACE* surface) override;
  HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) override;
  HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) override;
  HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
  HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) override;
  HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) override;
  HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW display,
                                       LPDDSURFACEDESC description) override;
  HRESULT STDMETHODCALLTYPE IsLost() override;
  HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                 HANDLE event) override;
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;
  HRESULT STDMETHODCALLTYPE Restore() override;
  HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
  HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
  HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) override;
  HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect, LPDIRECTDRAWSURFACE dest,
                                          LPRECT destRect, DWORD flags,
                                          LPDDOVERLAYFX effects) override;
  HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                LPDIRECTDRAWSURFACE reference) override;

  // Makes this surface a back buffer of the chain: the chain holds it, the program doesn't yet.
  void JoinChain(Surface* chainFront);
  // Fills the memory with the profile's fill byte (new or restored memory).
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
  bool FlipPending();
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
