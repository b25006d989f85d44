// The DirectDraw object and surface: the first-version interfaces over the emulated screen.
// Only what the show asks of them is emulated: a flipping primary surface in video memory, whole
// locks and flips to the next buffer that wait, and the refusals the show's own path checks.
// Every other variant of those calls (a rectangle, a named target, no wait, system memory)
// answers DDERR_UNSUPPORTED; no other method exists.
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

class DirectDraw final : public IDirectDraw {
 public:
  DirectDraw();

  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                          LPDIRECTDRAWSURFACE* surface, IUnknown* outer) override;
  HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                           DWORD bitsPerPixel) override;

  // No level yet, DDSCL_NORMAL, or DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE.
  DWORD level = 0;
  Surface* primary = nullptr;

 private:
  ~DirectDraw() = default;
  friend void ResetDevice();
};

class Surface final : public IDirectDrawSurface {
 public:
  Surface(DirectDraw* owner, const Mode& mode, DWORD caps);

  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                               LPDIRECTDRAWSURFACE* surface) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                 HANDLE event) override;
  HRESULT STDMETHODCALLTYPE Restore() override;
  HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) override;

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
