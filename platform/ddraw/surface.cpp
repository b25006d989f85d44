// IDirectDrawSurface over the emulated screen: the primary surface and its flip chain.
#include <algorithm>
#include <cstring>

#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/testing/journal.h"

namespace platform {
namespace ddraw {
namespace {

HRESULT Outcome(HRESULT result, const char* call) {
  if (result < 0)
    JournalRecord("IDirectDrawSurface::%s -> 0x%08x", call, static_cast<unsigned>(result));
  else
    JournalRecord("IDirectDrawSurface::%s", call);
  return result;
}

HRESULT Unsupported(const char* method) { return Outcome(DDERR_UNSUPPORTED, method); }

// Rows start at multiples of 4 bytes, as video memory rows do; the profile may add more.
int PitchFor(const Mode& mode, int bytesPerPixel) {
  const int row = (mode.width * bytesPerPixel + 3) & ~3;
  return row + std::max(Profile().extraPitchBytes, 0);
}

void FillFormat(const Mode& mode, DDPIXELFORMAT* format) {
  const LayoutInfo& layout = Describe(mode.layout);
  std::memset(format, 0, sizeof *format);
  format->dwSize = sizeof(DDPIXELFORMAT);
  format->dwFlags = layout.formatFlags;
  format->dwRGBBitCount = layout.bitCount;
  format->dwRBitMask = layout.redMask;
  format->dwGBitMask = layout.greenMask;
  format->dwBBitMask = layout.blueMask;
}

void DescribeSurface(const Surface& surface, DDSURFACEDESC* description, void* address) {
  const DWORD size = description->dwSize;
  std::memset(description, 0, sizeof *description);
  description->dwSize = size;
  description->dwFlags =
      DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT |
      (address ? DDSD_LPSURFACE : 0) | (surface.IsFront() && surface.chain.size() > 1
                                            ? DDSD_BACKBUFFERCOUNT
                                            : 0);
  description->dwWidth = surface.mode.width;
  description->dwHeight = surface.mode.height;
  description->lPitch = surface.pitch;
  description->dwBackBufferCount =
      surface.IsFront() ? static_cast<DWORD>(surface.chain.size() - 1) : 0;
  description->lpSurface = address;
  FillFormat(surface.mode, &description->ddpfPixelFormat);
  description->ddsCaps.dwCaps = surface.caps;
}

bool TakeLockFailure(HRESULT* result) {
  Device& device = TheDevice();
  if (device.failingLocks == 0) return false;
  if (device.failingLocks > 0) device.failingLocks--;
  *result = device.lockFailure;
  return true;
}

}  // namespace

Surface::Surface(DirectDraw* maker, const Mode& made, DWORD capabilities)
    : owner(maker),
      mode(made),
      caps(capabilities),
      bytesPerPixel(ddraw::Describe(made.layout).bytesPerPixel),
      pitch(PitchFor(made, bytesPerPixel)),
      memory(static_cast<size_t>(pitch) * made.height),
      front(this),
      chain{this},
      references_(1) {
  Clear();
  TheDevice().surfaces.push_back(this);
}

void Surface::JoinChain(Surface* chainFront) {
  front = chainFront;
  chain.clear();
  references_ = 0;
  Surface* last = chainFront->chain.back();
  last->attached = this;
  chainFront->chain.push_back(this);
}

void Surface::Clear() { std::fill(memory.begin(), memory.end(), Profile().surfaceFill); }

void DestroyChain(Surface* front) {
  Device& device = TheDevice();
  if (front->owner && front->owner->primary == front) front->owner->primary = nullptr;
  if (device.newestChain == front) device.newestChain = nullptr;
  std::vector<Surface*> members = front->chain;
  for (Surface* member : members) {
    device.surfaces.erase(std::remove(device.surfaces.begin(), device.surfaces.end(), member),
                          device.surfaces.end());
    delete member;
  }
}

void DestroySurfaces(DirectDraw* owner) {
  std::vector<Surface*> fronts;
  for (Surface* surface : TheDevice().surfaces)
    if (surface->owner == owner && surface->IsFront()) fronts.push_back(surface);
  for (Surface* front : fronts) DestroyChain(front);
}

HRESULT Surface::QueryInterface(REFIID, void** object) {
  if (object) *object = nullptr;
  return Outcome(E_NOINTERFACE, "QueryInterface");
}

ULONG Surface::AddRef() {
  JournalRecord("IDirectDrawSurface::AddRef");
  return ++references_;
}

ULONG Surface::Release() {
  JournalRecord("IDirectDrawSurface::Release");
  if (!IsFront()) {
    // A back buffer belongs to its chain: letting go of it frees nothing.
    if (references_ > 0) references_--;
    return references_;
  }
  if (--references_ > 0) return references_;
  DestroyChain(this);
  return 0;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS wanted, LPDIRECTDRAWSURFACE* surface) {
  if (!wanted || !surface) return Outcome(DDERR_INVALIDPARAMS, "GetAttachedSurface");
  if (!attached || (attached->caps & wanted->dwCaps) != wanted->dwCaps) {
    *surface = nullptr;
    return Outcome(DDERR_NOTFOUND, "GetAttachedSurface");
  }
  // The program now holds a reference of its own, as with the real interface.
  attached->references_++;
  *surface = attached;
  return Outcome(DD_OK, "GetAttachedSurface");
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
  if (!format || format->dwSize != sizeof(DDPIXELFORMAT))
    return Outcome(DDERR_INVALIDPARAMS, "GetPixelFormat");
  FillFormat(mode, format);
  return Outcome(DD_OK, "GetPixelFormat");
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC description) {
  if (!description || description->dwSize != sizeof(DDSURFACEDESC))
    return Outcome(DDERR_INVALIDPARAMS, "GetSurfaceDesc");
  DescribeSurface(*this, description, nullptr);
  return Outcome(DD_OK, "GetSurfaceDesc");
}

HRESULT Surface::GetCaps(LPDDSCAPS capabilities) {
  if (!capabilities) return Outcome(DDERR_INVALIDPARAMS, "GetCaps");
  capabilities->dwCaps = caps;
  return Outcome(DD_OK, "GetCaps");
}

HRESULT Surface::IsLost() { return Outcome(lost ? DDERR_SURFACELOST : DD_OK, "IsLost"); }

HRESULT Surface::Restore() {
  if (!lost) return Outcome(DD_OK, "Restore");
  // Memory comes back only in the mode it was made for.
  if (mode != ModeOnScreen()) return Outcome(DDERR_WRONGMODE, "Restore");
  // Restoring a chain's front restores every buffer of the chain.
  for (Surface* member : IsFront() ? chain : std::vector<Surface*>{this}) {
    if (!member->lost) continue;
    member->lost = false;
    member->Clear();
  }
  return Outcome(DD_OK, "Restore");
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD, HANDLE) {
  if (!description || description->dwSize != sizeof(DDSURFACEDESC))
    return Outcome(DDERR_INVALIDPARAMS, "Lock");
  int left = 0;
  int top = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
        rect->top >= rect->bottom || rect->right > mode.width || rect->bottom > mode.height)
      return Outcome(DDERR_INVALIDRECT, "Lock");
    left = rect->left;
    top = rect->top;
  }
  if (lost) return Outcome(DDERR_SURFACELOST, "Lock");
  // One lock at a time; with no flip ever pending, DDLOCK_WAIT has nothing to wait for.
  if (locked) return Outcome(DDERR_SURFACEBUSY, "Lock");
  HRESULT refusal;
  if (TakeLockFailure(&refusal)) return Outcome(refusal, "Lock");
  locked = true;
  lockAddress = memory.data() + static_cast<size_t>(top) * pitch +
                static_cast<size_t>(left) * bytesPerPixel;
  DescribeSurface(*this, description, lockAddress);
  return Outcome(DD_OK, "Lock");
}

HRESULT Surface::Unlock(LPVOID surfaceData) {
  if (!locked) return Outcome(DDERR_NOTLOCKED, "Unlock");
  // The address the lock gave, or none for the whole surface.
  if (surfaceData && surfaceData != lockAddress) return Outcome(DDERR_INVALIDPARAMS, "Unlock");
  locked = false;
  lockAddress = nullptr;
  return Outcome(DD_OK, "Unlock");
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags) {
  if (!IsFront() || chain.size() < 2) return Outcome(DDERR_NOTFLIPPABLE, "Flip");
  if (TheDevice().exclusiveOwner != owner)
    return Outcome(DDERR_NOEXCLUSIVEMODE, "Flip");
  Surface* chosen = nullptr;
  if (target) {
    for (size_t index = 1; index < chain.size(); index++)
      if (chain[index] == target) chosen = chain[index];
    if (!chosen) return Outcome(DDERR_INVALIDPARAMS, "Flip");
  }
  for (Surface* member : chain) {
    if (member->lost) return Outcome(DDERR_SURFACELOST, "Flip");
    if (member->locked) return Outcome(DDERR_SURFACEBUSY, "Flip");
  }
  if (chosen) {
    // The named buffer and the front trade places; the rest stay.
    memory.swap(chosen->memory);
  } else {
    // Each buffer takes the memory of the one behind it; the last takes the old front's.
    for (size_t index = 0; index + 1 < chain.size(); index++)
      chain[index]->memory.swap(chain[index + 1]->memory);
  }
  Outcome(DD_OK, "Flip");
  ShowFlipped(*this, (flags & DDFLIP_WAIT) != 0);
  return DD_OK;
}

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE) {
  return Unsupported("AddAttachedSurface");
}
HRESULT Surface::AddOverlayDirtyRect(LPRECT) { return Unsupported("AddOverlayDirtyRect"); }
HRESULT Surface::Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDBLTFX) {
  return Unsupported("Blt");
}
HRESULT Surface::BltBatch(LPDDBLTBATCH, DWORD, DWORD) { return Unsupported("BltBatch"); }
HRESULT Surface::BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) {
  return Unsupported("BltFast");
}
HRESULT Surface::DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) {
  return Unsupported("DeleteAttachedSurface");
}
HRESULT Surface::EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) {
  return Unsupported("EnumAttachedSurfaces");
}
HRESULT Surface::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) {
  return Unsupported("EnumOverlayZOrders");
}
HRESULT Surface::GetBltStatus(DWORD) { return Unsupported("GetBltStatus"); }
HRESULT Surface::GetClipper(LPDIRECTDRAWCLIPPER*) { return Unsupported("GetClipper"); }
HRESULT Surface::GetColorKey(DWORD, LPDDCOLORKEY) { return Unsupported("GetColorKey"); }
HRESULT Surface::GetDC(HDC*) { return Unsupported("GetDC"); }
HRESULT Surface::GetFlipStatus(DWORD) { return Unsupported("GetFlipStatus"); }
HRESULT Surface::GetOverlayPosition(LPLONG, LPLONG) { return Unsupported("GetOverlayPosition"); }
HRESULT Surface::GetPalette(LPDIRECTDRAWPALETTE*) { return Unsupported("GetPalette"); }
HRESULT Surface::Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) { return Unsupported("Initialize"); }
HRESULT Surface::ReleaseDC(HDC) { return Unsupported("ReleaseDC"); }
HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER) { return Unsupported("SetClipper"); }
HRESULT Surface::SetColorKey(DWORD, LPDDCOLORKEY) { return Unsupported("SetColorKey"); }
HRESULT Surface::SetOverlayPosition(LONG, LONG) { return Unsupported("SetOverlayPosition"); }
HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE) { return Unsupported("SetPalette"); }
HRESULT Surface::UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) {
  return Unsupported("UpdateOverlay");
}
HRESULT Surface::UpdateOverlayDisplay(DWORD) { return Unsupported("UpdateOverlayDisplay"); }
HRESULT Surface::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) {
  return Unsupported("UpdateOverlayZOrder");
}

}  // namespace ddraw
}  // namespace platform
