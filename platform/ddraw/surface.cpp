// IDirectDrawSurface over the emulated screen: the primary surface and its flip chain.
#include <algorithm>
#include <cstring>

#include "platform/ddraw/hooks.h"
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
  return row + std::max(hooks.extraPitchBytes, 0);
}

// What a lock reports: the mode's size and pixel format, the row pitch and the locked address.
void DescribeLocked(const Surface& surface, DDSURFACEDESC* description, void* address) {
  const DWORD size = description->dwSize;
  std::memset(description, 0, sizeof *description);
  description->dwSize = size;
  description->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_LPSURFACE;
  description->dwWidth = surface.mode.width;
  description->dwHeight = surface.mode.height;
  description->lPitch = surface.pitch;
  ReportPixelFormat(surface.mode.layout, &description->ddpfPixelFormat);
  description->lpSurface = address;
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

void Surface::Clear() { std::fill(memory.begin(), memory.end(), hooks.surfaceFill); }

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
  if (trace::Tracing() && wanted)
    trace::Format(call, sizeof call, "GetAttachedSurface {dwCaps 0x%x}",
                  static_cast<unsigned>(wanted->dwCaps));
  if (!wanted || !surface) return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  if (!attached || (attached->caps & wanted->dwCaps) != wanted->dwCaps ||
      hooks.attachedSurfaceMissing) {
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
  if (trace::Tracing() && format)
    trace::Format(call, sizeof call, "GetPixelFormat {dwSize %u}",
                  static_cast<unsigned>(format->dwSize));
  if (!format || format->dwSize != sizeof(DDPIXELFORMAT))
    return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  if (hooks.pixelFormatFails) return Outcome(kInterface, DDERR_GENERIC, call);
  ReportPixelFormat(mode.layout, format);
  return Outcome(kInterface, DD_OK, call);
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
  char call[112] = "";
  if (trace::Tracing()) {
    char record[32] = "null";
    if (description)
      trace::Format(record, sizeof record, "{dwSize %u}",
                    static_cast<unsigned>(description->dwSize));
    trace::Format(call, sizeof call, "Lock %s %s 0x%x %s", trace::Address(rect).text, record,
                  static_cast<unsigned>(flags), trace::Address(event).text);
  }
  // The event is reserved: it must be null.
  if (!description || description->dwSize != sizeof(DDSURFACEDESC) || event)
    return Outcome(kInterface, DDERR_INVALIDPARAMS, call);
  if (rect || !(flags & DDLOCK_WAIT)) return Outcome(kInterface, DDERR_UNSUPPORTED, call);
  if (lost) return Outcome(kInterface, DDERR_SURFACELOST, call);
  if (locked) return Outcome(kInterface, DDERR_SURFACEBUSY, call);
  const HRESULT refusal = hooks.lockRefusal ? hooks.lockRefusal() : DD_OK;
  if (refusal != DD_OK) return Outcome(kInterface, refusal, call);
  locked = true;
  lockAddress = memory.data();
  DescribeLocked(*this, description, lockAddress);
  return Outcome(kInterface, DD_OK, call);
}

HRESULT Surface::Unlock(LPVOID surfaceData) {
  char call[48] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "Unlock %s", trace::Address(surfaceData).text);
  // The first interface ties an unlock to its lock by the address the lock gave. No other
  // address, null included, names a lock of this surface: "the surface was not locked".
  if (!locked || surfaceData != lockAddress) return Outcome(kInterface, DDERR_NOTLOCKED, call);
  locked = false;
  lockAddress = nullptr;
  return Outcome(kInterface, DD_OK, call);
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags) {
  char call[64] = "";
  if (trace::Tracing())
    trace::Format(call, sizeof call, "Flip %s 0x%x", trace::Address(target).text,
                  static_cast<unsigned>(flags));
  if (!IsFront() || chain.size() < 2) return Outcome(kInterface, DDERR_NOTFLIPPABLE, call);
  if (Hardware().exclusiveOwner != owner) return Outcome(kInterface, DDERR_NOEXCLUSIVEMODE, call);
  // Palette indices have no picture on the host's screen: the show never gets that far with them.
  if (target || !(flags & DDFLIP_WAIT) || !(Describe(mode.layout).formatFlags & DDPF_RGB))
    return Outcome(kInterface, DDERR_UNSUPPORTED, call);
  for (Surface* member : chain) {
    if (member->lost) return Outcome(kInterface, DDERR_SURFACELOST, call);
    if (member->locked) return Outcome(kInterface, DDERR_SURFACEBUSY, call);
  }
  // One flip at a time: the previous one must have reached its blank.
  if (flipPending && host::CurrentBlank() == flipBlank) host::WaitForBlankAfter(flipBlank);
  Surface* oldFront = chain.back();
  // Each buffer takes the memory of the one behind it; the last takes the old front's.
  for (size_t index = 0; index + 1 < chain.size(); index++)
    chain[index]->memory.swap(chain[index + 1]->memory);
  Outcome(kInterface, DD_OK, call);
  // The picture is up at the next blank; until then the flip is pending, unless the renderer
  // held the flip until that blank already.
  flipBlank = host::CurrentBlank();
  flipPending = !PresentFlipped(*this, oldFront->memory, true);
  return DD_OK;
}

}  // namespace ddraw
}  // namespace platform
