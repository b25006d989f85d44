// IDirectDrawSurface over the emulated screen: the primary surface and its flip chain.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ddraw/direct_draw_hooks.h"
#include "platform/ddraw/layouts.h"
#include "platform/ddraw/objects.h"
#include "platform/trace/call_trace.h"

namespace platform {
namespace ddraw {
namespace {

const char kInterface[] = "IDirectDrawSurface";

// Rows start at multiples of 4 bytes, as video memory rows do; the profile may add more.
int PitchFor(const Mode& mode, int bytesPerPixel) {
  const int row = (mode.width * bytesPerPixel + 3) & ~3;
  return row + std::max(directDrawHooks.extraPitchBytes, 0);
}

// What a lock reports: the mode's size and pixel format, the row pitch, the chain's shape and
// the locked address.
void DescribeLocked(const Surface& surface, DDSURFACEDESC* description, void* address) {
  const DWORD size = description->dwSize;
  std::memset(description, 0, sizeof *description);
  description->dwSize = size;
  description->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_CAPS |
                         DDSD_LPSURFACE |
                         (surface.IsFront() && surface.chain.size() > 1 ? DDSD_BACKBUFFERCOUNT : 0);
  description->dwWidth = surface.mode.width;
  description->dwHeight = surface.mode.height;
  description->lPitch = surface.pitch;
  ReportPixelFormat(surface.mode.layout, &description->ddpfPixelFormat);
  description->dwBackBufferCount =
      surface.IsFront() ? static_cast<DWORD>(surface.chain.size() - 1) : 0;
  description->lpSurface = address;
  description->ddsCaps.dwCaps = surface.caps;
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
  Hardware().surfaces.push_back(this);
}

void Surface::JoinChain(Surface* chainFront) {
  front = chainFront;
  chain.clear();
  references_ = 0;
  Surface* last = chainFront->chain.back();
  last->attached = this;
  chainFront->chain.push_back(this);
}

void Surface::Clear() { std::fill(memory.begin(), memory.end(), directDrawHooks.surfaceFill); }

void DestroyChain(Surface* front) {
  DisplayHardware& hardware = Hardware();
  if (front->owner && front->owner->primary == front) front->owner->primary = nullptr;
  if (hardware.newestChain == front) hardware.newestChain = nullptr;
  if (hardware.lastFlipped == front) hardware.lastFlipped = nullptr;
  std::vector<Surface*> members = front->chain;
  for (Surface* member : members) {
    hardware.surfaces.erase(std::remove(hardware.surfaces.begin(), hardware.surfaces.end(), member),
                            hardware.surfaces.end());
    delete member;
  }
}

void DestroySurfaces(DirectDraw* owner) {
  std::vector<Surface*> fronts;
  for (Surface* surface : Hardware().surfaces)
    if (surface->owner == owner && surface->IsFront()) fronts.push_back(surface);
  for (Surface* front : fronts) DestroyChain(front);
}

ULONG Surface::Release() {
  TraceCall("IDirectDrawSurface::Release");
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
  char call[64] = "GetAttachedSurface null";
  if (Tracing() && wanted)
    TraceFormat(call, sizeof call, "GetAttachedSurface {dwCaps 0x%x}",
                static_cast<unsigned>(wanted->dwCaps));
  if (!wanted || !surface) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  if (!attached || (attached->caps & wanted->dwCaps) != wanted->dwCaps ||
      directDrawHooks.attachedSurfaceMissing) {
    *surface = nullptr;
    return Outcome(kInterface, DDERR_NOTFOUND, call);
  }
  // The program now holds a reference of its own, as with the real interface.
  attached->references_++;
  *surface = attached;
  return Outcome(kInterface, DD_OK, call);
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
  char call[64] = "GetPixelFormat null";
  if (Tracing() && format)
    TraceFormat(call, sizeof call, "GetPixelFormat {dwSize %u}",
                static_cast<unsigned>(format->dwSize));
  if (!format || format->dwSize != sizeof(DDPIXELFORMAT))
    return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  if (directDrawHooks.pixelFormatFails) return Outcome(kInterface, DDERR_GENERIC, call);
  ReportPixelFormat(mode.layout, format);
  return Outcome(kInterface, DD_OK, call);
}

HRESULT Surface::GetCaps(LPDDSCAPS capabilities) {
  if (!capabilities) return Outcome(kInterface, DDERR_INVALIDPARAMS, "GetCaps");
  capabilities->dwCaps = caps;
  return Outcome(kInterface, DD_OK, "GetCaps");
}

HRESULT Surface::IsLost() {
  return Outcome(kInterface, lost ? DDERR_SURFACELOST : DD_OK, "IsLost");
}

HRESULT Surface::Restore() {
  if (!lost) return Outcome(kInterface, DD_OK, "Restore");
  // Memory comes back only in the mode it was made for.
  if (mode != ModeOnScreen()) return Outcome(kInterface, DDERR_WRONGMODE, "Restore");
  // Restoring a chain's front restores every buffer of the chain.
  for (Surface* member : IsFront() ? chain : std::vector<Surface*>{this}) {
    if (!member->lost) continue;
    member->lost = false;
    member->Clear();
  }
  return Outcome(kInterface, DD_OK, "Restore");
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event) {
  char call[160] = "";
  if (Tracing()) {
    char area[80] = "null";
    if (rect)
      TraceFormat(area, sizeof area, "{left %d, top %d, right %d, bottom %d}",
                  static_cast<int>(rect->left), static_cast<int>(rect->top),
                  static_cast<int>(rect->right), static_cast<int>(rect->bottom));
    char record[32] = "null";
    if (description)
      TraceFormat(record, sizeof record, "{dwSize %u}",
                  static_cast<unsigned>(description->dwSize));
    TraceFormat(call, sizeof call, "Lock %s %s 0x%x %s", area, record,
                static_cast<unsigned>(flags), TraceAddress(event).text);
  }
  // The event is reserved: it must be null.
  if (!description || description->dwSize != sizeof(DDSURFACEDESC) || event)
    return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  int left = 0;
  int top = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
        rect->top >= rect->bottom || rect->right > mode.width || rect->bottom > mode.height)
      return Outcome(kInterface, DDERR_INVALIDRECT, call);
    left = rect->left;
    top = rect->top;
  }
  if (lost) return Outcome(kInterface, DDERR_SURFACELOST, call);
  if (locked) return Outcome(kInterface, DDERR_SURFACEBUSY, call);
  // The chain's memory is the screen's until a pending flip reaches its blank.
  if (front->FlipPending()) {
    if (!(flags & DDLOCK_WAIT)) return Outcome(kInterface, DDERR_WASSTILLDRAWING, call);
    host::WaitForBlankAfter(front->flipBlank);
  }
  const HRESULT refusal = directDrawHooks.lockRefusal ? directDrawHooks.lockRefusal() : DD_OK;
  if (refusal != DD_OK) return Outcome(kInterface, refusal, call);
  locked = true;
  lockAddress = memory.data() + static_cast<size_t>(top) * pitch +
                static_cast<size_t>(left) * bytesPerPixel;
  DescribeLocked(*this, description, lockAddress);
  return Outcome(kInterface, DD_OK, call);
}

HRESULT Surface::Unlock(LPVOID surfaceData) {
  char call[48] = "";
  if (Tracing()) TraceFormat(call, sizeof call, "Unlock %s", TraceAddress(surfaceData).text);
  // The first interface ties an unlock to its lock by the address the lock gave. No other
  // address, null included, names a lock of this surface: "the surface was not locked".
  if (!locked || surfaceData != lockAddress) return Outcome(kInterface, DDERR_NOTLOCKED, call);
  locked = false;
  lockAddress = nullptr;
  return Outcome(kInterface, DD_OK, call);
}

bool Surface::FlipPending() {
  if (flipPending && host::CurrentBlank() != flipBlank) flipPending = false;
  return flipPending;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags) {
  char call[64] = "";
  if (Tracing())
    TraceFormat(call, sizeof call, "Flip %s 0x%x", TraceAddress(target).text,
                static_cast<unsigned>(flags));
  if (!IsFront() || chain.size() < 2) return Outcome(kInterface, DDERR_NOTFLIPPABLE, call);
  if (Hardware().exclusiveOwner != owner) return Outcome(kInterface, DDERR_NOEXCLUSIVEMODE, call);
  Surface* chosen = nullptr;
  if (target) {
    for (size_t index = 1; index < chain.size(); index++)
      if (chain[index] == target) chosen = chain[index];
    if (!chosen) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  }
  for (Surface* member : chain) {
    if (member->lost) return Outcome(kInterface, DDERR_SURFACELOST, call);
    if (member->locked) return Outcome(kInterface, DDERR_SURFACEBUSY, call);
  }
  // One flip at a time: the previous one must have reached its blank.
  if (FlipPending()) {
    if (!(flags & DDFLIP_WAIT)) return Outcome(kInterface, DDERR_WASSTILLDRAWING, call);
    host::WaitForBlankAfter(flipBlank);
  }
  Surface* oldFront = chosen ? chosen : chain.back();
  if (chosen) {
    // The named buffer and the front trade places; the rest stay.
    memory.swap(chosen->memory);
  } else {
    // Each buffer takes the memory of the one behind it; the last takes the old front's.
    for (size_t index = 0; index + 1 < chain.size(); index++)
      chain[index]->memory.swap(chain[index + 1]->memory);
  }
  Outcome(kInterface, DD_OK, call);
  // The picture is up at the next blank; until then the flip is pending, unless the renderer
  // held the flip until that blank already.
  flipBlank = host::CurrentBlank();
  flipPending = !PresentFlipped(*this, oldFront->memory, (flags & DDFLIP_WAIT) != 0);
  return DD_OK;
}

}  // namespace ddraw
}  // namespace platform
