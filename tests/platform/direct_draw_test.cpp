// The DirectDraw stand-in's contracts: cooperative level and activation, mode and chain
// refusals driven by the profile, locking and flipping, lost surfaces, releases, what isn't
// emulated, and the order of the show's whole sequence in the trace.
#include <chrono>

#include "platform/ddraw/same_bytes.h"
#include "tests/platform/display_fixture.h"

namespace displaytest {
namespace {

using platform::TraceLines;
using platform::TraceLinesStartingWith;

const DWORD kExclusive = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE;

class DirectDrawTest : public StandInsTest {
 protected:
  void UseProfile(const platform::ddraw::DisplayProfile& profile) {
    platform::SetDisplayProfile(profile);
  }
};

TEST_F(DirectDrawTest, ExclusiveFullscreenActivatesTheWindowOnceBeforeReturning) {
  display = CreateDisplay();
  window = MakeWindow();
  EXPECT_FALSE(platform::ApplicationActive());
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  EXPECT_EQ(1, appActive);
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{1, true}}), Delivered(WM_ACTIVATEAPP));
  EXPECT_EQ(window, platform::ActiveWindow());
  // Covering the screen put the window under the pointer: it was asked for its cursor, by a
  // sent message, before the call returned.
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{reinterpret_cast<WPARAM>(window), true}}),
            Delivered(WM_SETCURSOR));
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  EXPECT_EQ(1u, Delivered(WM_ACTIVATEAPP).size());
  EXPECT_TRUE(platform::QueuedMessages().empty());
}

TEST_F(DirectDrawTest, AnAlreadyActiveProgramIsNotActivatedAgain) {
  display = CreateDisplay();
  window = MakeWindow();
  platform::InjectActivation(true);
  Pump();
  ASSERT_EQ(1u, Delivered(WM_ACTIVATEAPP).size());
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  EXPECT_EQ(1u, Delivered(WM_ACTIVATEAPP).size());
}

TEST_F(DirectDrawTest, CooperativeLevelRefusals) {
  display = CreateDisplay();
  window = MakeWindow();
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->SetCooperativeLevel(window, DDSCL_EXCLUSIVE));
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->SetCooperativeLevel(window, DDSCL_FULLSCREEN));
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->SetCooperativeLevel(window, kExclusive | DDSCL_NORMAL));
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->SetCooperativeLevel(nullptr, kExclusive));
  EXPECT_EQ(DDERR_INVALIDPARAMS,
            display->SetCooperativeLevel(platform::OtherWindowHandle(), kExclusive));
  EXPECT_EQ("IDirectDraw::SetCooperativeLevel " +
                platform::AddressAsTraced(platform::OtherWindowHandle()) + " 0x11 -> 0x80070057",
            TraceLines().back());
  EXPECT_FALSE(platform::ApplicationActive());

  platform::DisplayFaults faults;
  faults.exclusiveRefused = true;
  platform::SetDisplayFaults(faults);
  EXPECT_EQ(DDERR_EXCLUSIVEMODEALREADYSET, display->SetCooperativeLevel(window, kExclusive));
  platform::SetDisplayFaults(platform::DisplayFaults());
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  IDirectDraw* second = CreateDisplay();
  EXPECT_EQ(DDERR_EXCLUSIVEMODEALREADYSET, second->SetCooperativeLevel(window, kExclusive));
  ASSERT_EQ(DD_OK, second->SetCooperativeLevel(window, DDSCL_NORMAL));
  EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, second->SetDisplayMode(320, 240, 32));
  EXPECT_EQ(0u, second->Release());
  EXPECT_EQ(1, platform::LiveDirectDrawCount());
}

TEST_F(DirectDrawTest, DirectDrawCreateRefusals) {
  IDirectDraw* made = reinterpret_cast<IDirectDraw*>(1);
  GUID device{};
  EXPECT_EQ(DDERR_INVALIDDIRECTDRAWGUID, DirectDrawCreate(&device, &made, nullptr));
  EXPECT_EQ(nullptr, made);
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            DirectDrawCreate(nullptr, &made, reinterpret_cast<IUnknown*>(&device)));
  EXPECT_EQ(DDERR_INVALIDPARAMS, DirectDrawCreate(nullptr, nullptr, nullptr));
  platform::DisplayFaults faults;
  faults.createFails = true;
  platform::SetDisplayFaults(faults);
  EXPECT_EQ(DDERR_NODIRECTDRAWHW, DirectDrawCreate(nullptr, &made, nullptr));
  EXPECT_EQ(0, platform::LiveDirectDrawCount());
}

TEST_F(DirectDrawTest, NothingBeforeACooperativeLevel) {
  display = CreateDisplay();
  DDSURFACEDESC description = ChainDescription(2);
  EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, display->CreateSurface(&description, &primary, nullptr));
  description.dwFlags = DDSD_CAPS;
  description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, display->CreateSurface(&description, &primary, nullptr));
  EXPECT_EQ(DDERR_NOCOOPERATIVELEVELSET, display->SetDisplayMode(320, 240, 32));
  EXPECT_EQ(0, platform::LiveSurfaceCount());
}

TEST_F(DirectDrawTest, DisplayModesFollowTheProfile) {
  display = CreateDisplay();
  window = MakeWindow();
  platform::ddraw::DisplayProfile profile;
  profile.accepts32 = false;
  profile.layout24 = platform::ddraw::ScreenLayout::kBGR24;
  UseProfile(profile);
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, DDSCL_NORMAL));
  EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, display->SetDisplayMode(320, 240, 24));
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  EXPECT_EQ(DDERR_INVALIDMODE, display->SetDisplayMode(320, 240, 32));
  EXPECT_EQ(DDERR_INVALIDMODE, display->SetDisplayMode(320, 240, 8));
  EXPECT_EQ(DDERR_INVALIDMODE, display->SetDisplayMode(321, 240, 24));
  EXPECT_EQ(DD_OK, display->SetDisplayMode(320, 240, 24));
  EXPECT_EQ((std::vector<std::string>{"IDirectDraw::SetDisplayMode 320 240 24 -> 0x887600e1",
                                      "IDirectDraw::SetDisplayMode 320 240 32 -> 0x88760078",
                                      "IDirectDraw::SetDisplayMode 320 240 8 -> 0x88760078",
                                      "IDirectDraw::SetDisplayMode 321 240 24 -> 0x88760078",
                                      "IDirectDraw::SetDisplayMode 320 240 24"}),
            TraceLinesStartingWith("IDirectDraw::SetDisplayMode"));
  platform::ScreenMode shown = platform::CurrentScreenMode();
  EXPECT_FALSE(shown.desktop);
  EXPECT_EQ(320, shown.width);
  EXPECT_EQ(24, shown.bitsPerPixel);
  EXPECT_EQ(platform::ddraw::ScreenLayout::kBGR24, shown.layout);

  profile.accepts24 = profile.accepts16 = false;
  UseProfile(profile);
  for (DWORD depth : {32u, 24u, 16u})
    EXPECT_EQ(DDERR_INVALIDMODE, display->SetDisplayMode(320, 240, depth)) << depth;
}

TEST_F(DirectDrawTest, FlipChainsAskedForAsTheShowDoes) {
  display = CreateDisplay();
  window = MakeWindow();
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, 32));

  DDSURFACEDESC description = ChainDescription(2);
  description.ddsCaps.dwCaps &= ~DDSCAPS_COMPLEX;
  EXPECT_EQ(DDERR_INVALIDCAPS, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(2);
  description.ddsCaps.dwCaps &= ~DDSCAPS_FLIP;
  EXPECT_EQ(DDERR_INVALIDCAPS, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(2);
  description.dwFlags = DDSD_CAPS;
  EXPECT_EQ(DDERR_INVALIDCAPS, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(0);
  EXPECT_EQ(DDERR_INVALIDCAPS, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(2);
  description.dwSize = 100;
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(2);
  description.dwFlags |= DDSD_WIDTH;
  EXPECT_EQ(DDERR_INVALIDPARAMS, display->CreateSurface(&description, &primary, nullptr));
  // Only the show's surface is emulated: no off-screen surface, no primary without back
  // buffers, nothing in system memory.
  for (DWORD caps : {DDSCAPS_OFFSCREENPLAIN, DDSCAPS_PRIMARYSURFACE}) {
    description = ChainDescription(2);
    description.ddsCaps.dwCaps = caps;
    description.dwFlags = DDSD_CAPS;
    EXPECT_EQ(DDERR_UNSUPPORTED, display->CreateSurface(&description, &primary, nullptr)) << caps;
  }
  description = ChainDescription(2);
  description.ddsCaps.dwCaps ^= DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY;
  EXPECT_EQ(DDERR_UNSUPPORTED, display->CreateSurface(&description, &primary, nullptr));
  EXPECT_EQ(0, platform::LiveSurfaceCount());

  platform::DisplayFaults faults;
  faults.maxBackBuffers = 1;
  platform::SetDisplayFaults(faults);
  description = ChainDescription(2);
  EXPECT_EQ(DDERR_OUTOFVIDEOMEMORY, display->CreateSurface(&description, &primary, nullptr));
  description = ChainDescription(1);
  ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
  EXPECT_EQ(2, platform::LiveSurfaceCount());
  EXPECT_EQ(DDERR_PRIMARYSURFACEALREADYEXISTS,
            display->CreateSurface(&description, &primary, nullptr));
  const std::vector<std::string> trace = TraceLines();
  const std::string asked = "IDirectDraw::CreateSurface {dwSize " +
                            std::to_string(sizeof(DDSURFACEDESC)) +
                            ", dwFlags 0x21, dwBackBufferCount ";
  EXPECT_EQ((std::vector<std::string>{asked + "2, ddsCaps 0x4218} null -> 0x8876017c",
                                      asked + "1, ddsCaps 0x4218} null",
                                      asked + "1, ddsCaps 0x4218} null -> 0x88760234"}),
            std::vector<std::string>(trace.end() - 3, trace.end()));
  IUnknown* outer = reinterpret_cast<IUnknown*>(display);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, display->CreateSurface(&description, &primary, outer));
  EXPECT_EQ(asked + "1, ddsCaps 0x4218} " + platform::AddressAsTraced(outer) + " -> 0x80040110",
            TraceLines().back());
  EXPECT_EQ(0u, primary->Release());

  faults.maxBackBuffers = 0;
  platform::SetDisplayFaults(faults);
  EXPECT_EQ(DDERR_OUTOFVIDEOMEMORY, display->CreateSurface(&description, &primary, nullptr));
  EXPECT_EQ(0, platform::LiveSurfaceCount());

  // A flipping primary is for exclusive mode only.
  platform::SetDisplayFaults(platform::DisplayFaults());
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, DDSCL_NORMAL));
  EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, display->CreateSurface(&description, &primary, nullptr));
}

TEST_F(DirectDrawTest, TheChainIsFoundThroughItsAttachedSurfaces) {
  OpenShow(32, 2);
  EXPECT_EQ(3, platform::LiveSurfaceCount());
  DDSCAPS caps;
  IDirectDrawSurface* second = nullptr;
  caps.dwCaps = DDSCAPS_FLIP;
  ASSERT_EQ(DD_OK, back->GetAttachedSurface(&caps, &second));
  EXPECT_NE(back, second);
  EXPECT_NE(primary, second);
  IDirectDrawSurface* none = back;
  EXPECT_EQ(DDERR_NOTFOUND, second->GetAttachedSurface(&caps, &none));
  EXPECT_EQ(nullptr, none);
  caps.dwCaps = DDSCAPS_FRONTBUFFER;
  EXPECT_EQ(DDERR_NOTFOUND, primary->GetAttachedSurface(&caps, &none));

  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof format);
  format.dwSize = 31;
  EXPECT_EQ(DDERR_INVALIDPARAMS, primary->GetPixelFormat(&format));
  format = PrimaryFormat();
  EXPECT_EQ(static_cast<DWORD>(DDPF_RGB), format.dwFlags);
  EXPECT_EQ(32u, format.dwRGBBitCount);
  EXPECT_EQ(0x00FF0000u, format.dwRBitMask);
  EXPECT_EQ(0x0000FF00u, format.dwGBitMask);
  EXPECT_EQ(0x000000FFu, format.dwBBitMask);
}

TEST_F(DirectDrawTest, FlipsRotateTheContentsOfAChainOfTwoBackBuffers) {
  OpenShow(32, 2);
  std::vector<void*> addresses;
  for (std::uint8_t value : {0x11, 0x22, 0x33}) {
    DDSURFACEDESC lock = LockBack();
    EXPECT_EQ(1280, lock.lPitch);
    EXPECT_EQ(240u, lock.dwHeight);
    addresses.push_back(lock.lpSurface);
    EXPECT_EQ(DD_OK, back->Unlock(lock.lpSurface));
    FlipFilled(value);
    EXPECT_EQ(value * 0x010101u, platform::ScreenPixel(319, 239));
  }
  EXPECT_EQ(3, platform::FlipCount());
  // Three buffers take turns behind the one back-surface pointer.
  EXPECT_NE(addresses[0], addresses[1]);
  EXPECT_NE(addresses[1], addresses[2]);
  EXPECT_NE(addresses[0], addresses[2]);
  DDSURFACEDESC lock = LockBack();
  EXPECT_EQ(addresses[0], lock.lpSurface);
  back->Unlock(lock.lpSurface);
  // The buffer drawn next is the one shown two flips ago: it holds the oldest frame.
  EXPECT_EQ(0x11, platform::BackSurfaceView().bytes[0]);
}

TEST_F(DirectDrawTest, WithOneBackBufferFrontAndBackSwap) {
  OpenShow(16, 1);
  EXPECT_EQ(2, platform::LiveSurfaceCount());
  FlipFilled(0x11);
  FlipFilled(0x22);
  platform::SurfaceView front = platform::FrontSurfaceView();
  platform::SurfaceView behind = platform::BackSurfaceView();
  EXPECT_EQ(0x22, front.bytes[0]);
  EXPECT_EQ(0x11, behind.bytes[0]);
  EXPECT_EQ(640, behind.pitch);
  EXPECT_EQ(2, behind.bytesPerPixel);
}

TEST_F(DirectDrawTest, LockAndFlipRefusals) {
  OpenShow();
  DDSURFACEDESC lock = EmptyDescription();
  lock.dwSize = 100;
  EXPECT_EQ(DDERR_INVALIDPARAMS, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DDERR_INVALIDPARAMS, back->Lock(nullptr, nullptr, DDLOCK_WAIT, nullptr));
  lock = EmptyDescription();
  int event = 0;  // the event is reserved
  EXPECT_EQ(DDERR_INVALIDPARAMS, back->Lock(nullptr, &lock, DDLOCK_WAIT, &event));
  EXPECT_EQ(DDERR_NOTLOCKED, back->Unlock(nullptr));
  lock = LockBack();
  DDSURFACEDESC again = EmptyDescription();
  EXPECT_EQ(DDERR_SURFACEBUSY, back->Lock(nullptr, &again, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DDERR_SURFACEBUSY, primary->Flip(nullptr, DDFLIP_WAIT));
  // The first interface ties the unlock to its lock by the address the lock gave: any other, null
  // included, names no lock, and the surface stays locked.
  EXPECT_EQ(DDERR_NOTLOCKED, back->Unlock(static_cast<char*>(lock.lpSurface) + 4));
  EXPECT_EQ(DDERR_NOTLOCKED, back->Unlock(nullptr));
  EXPECT_EQ(DDERR_SURFACEBUSY, primary->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_EQ(DD_OK, back->Unlock(lock.lpSurface));
  EXPECT_EQ(DDERR_NOTLOCKED, back->Unlock(lock.lpSurface));
  EXPECT_EQ(DDERR_NOTFLIPPABLE, back->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_EQ(0, platform::FlipCount());
  const std::string size = std::to_string(sizeof(DDSURFACEDESC));
  const std::vector<std::string> locks = TraceLinesStartingWith("IDirectDrawSurface::Lock");
  ASSERT_GE(locks.size(), 3u);
  EXPECT_EQ("IDirectDrawSurface::Lock null {dwSize 100} 0x1 null -> 0x80070057", locks[0]);
  EXPECT_EQ("IDirectDrawSurface::Lock null null 0x1 null -> 0x80070057", locks[1]);
  EXPECT_EQ("IDirectDrawSurface::Lock null {dwSize " + size + "} 0x1 " +
                platform::AddressAsTraced(&event) + " -> 0x80070057",
            locks[2]);
  const std::vector<std::string> unlocks = TraceLinesStartingWith("IDirectDrawSurface::Unlock");
  ASSERT_EQ(5u, unlocks.size());
  EXPECT_EQ("IDirectDrawSurface::Unlock null -> 0x88760248", unlocks[0]);
  EXPECT_EQ("IDirectDrawSurface::Unlock " + platform::AddressAsTraced(lock.lpSurface), unlocks[3]);

  platform::FailNextLocks(2, DDERR_SURFACELOST);
  EXPECT_EQ(DDERR_SURFACELOST, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DDERR_SURFACELOST, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DD_OK, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  back->Unlock(lock.lpSurface);
  platform::FailNextLocks(-1);
  for (int attempt = 0; attempt < 5; attempt++)
    EXPECT_EQ(DDERR_SURFACEBUSY, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  platform::StopFailingLocks();
  EXPECT_EQ(DD_OK, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  back->Unlock(lock.lpSurface);
}

// What the show never asks for isn't emulated: a lock of part of a surface or one that wouldn't
// wait, a flip to a named buffer or one that wouldn't wait. Each is refused with
// DDERR_UNSUPPORTED and changes nothing.
TEST_F(DirectDrawTest, WhatTheShowNeverAsksForIsUnsupported) {
  OpenShow();
  RECT part{10, 20, 30, 40};
  DDSURFACEDESC lock = EmptyDescription();
  EXPECT_EQ(DDERR_UNSUPPORTED, back->Lock(&part, &lock, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DDERR_UNSUPPORTED, back->Lock(nullptr, &lock, 0, nullptr));
  EXPECT_EQ(nullptr, lock.lpSurface);
  EXPECT_EQ(DDERR_UNSUPPORTED, primary->Flip(back, DDFLIP_WAIT));
  EXPECT_EQ(DDERR_UNSUPPORTED, primary->Flip(nullptr, 0));
  EXPECT_EQ(0, platform::FlipCount());
  EXPECT_EQ("IDirectDrawSurface::Lock " + platform::AddressAsTraced(&part) + " {dwSize " +
                std::to_string(sizeof(DDSURFACEDESC)) + "} 0x1 null -> 0x80004001",
            TraceLinesStartingWith("IDirectDrawSurface::Lock").front());
  EXPECT_EQ("IDirectDrawSurface::Flip null 0x0 -> 0x80004001",
            TraceLinesStartingWith("IDirectDrawSurface::Flip").back());
  // None of them left the surface locked.
  FlipFilled(0x5A);
  EXPECT_EQ(0x5A5A5Au, platform::ScreenPixel(319, 239));
}

TEST_F(DirectDrawTest, FlippingOutsideExclusiveModeIsRefused) {
  OpenShow();
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, DDSCL_NORMAL));
  EXPECT_EQ(DDERR_NOEXCLUSIVEMODE, primary->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_TRUE(platform::CurrentScreenMode().desktop);
}

// The trace costs one load when nobody listens: a frame's Lock, Unlock and Flip and a pass's
// PeekMessageA format nothing. Heard, the same calls do, and a message reads as spelled here.
TEST_F(DirectDrawTest, NothingIsFormattedForTheTraceWhileNobodyListens) {
  OpenShow(32, 2);
  auto frameAndPass = [&] {
    FlipFilled(0x40);
    MSG message;
    platform::InjectKeyDown('A');
    EXPECT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    platform::InjectKeyUp('A');
    EXPECT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
  };
  platform::TraceKeep(false);
  const std::uint64_t before = platform::TraceFormatCount();
  frameAndPass();
  EXPECT_EQ(before, platform::TraceFormatCount());

  platform::TraceKeep(true);
  platform::TraceClear();
  frameAndPass();
  EXPECT_GT(platform::TraceFormatCount(), before);
  const std::string handle = platform::AddressAsTraced(window);
  const std::string peek = "PeekMessageA " + handle + " 0x0 0x0 0x1 -> {hwnd " + handle +
                           ", message 0x100, wParam 0x41, lParam 0x1e0001}";
  const std::vector<std::string> peeks = platform::TraceLinesStartingWith("PeekMessageA");
  ASSERT_EQ(2u, peeks.size());
  EXPECT_EQ(peek, peeks[0]);
  EXPECT_EQ(peek, "PeekMessageA " + handle + " 0x0 0x0 0x1 -> " +
                      platform::MessageAsTraced(window, WM_KEYDOWN, 'A', 0x1e0001));
}

TEST_F(DirectDrawTest, PaddingPastEachRowIsLeftAlone) {
  platform::DisplayFaults faults;
  faults.extraPitchBytes = 12;
  faults.surfaceFill = 0xA5;
  platform::SetDisplayFaults(faults);
  OpenShow(24, 2);
  DDSURFACEDESC lock = LockBack();
  ASSERT_EQ(960 + 12, lock.lPitch);
  for (int row = 0; row < 240; row++)
    std::memset(static_cast<std::uint8_t*>(lock.lpSurface) + row * lock.lPitch, 0x40, 960);
  back->Unlock(lock.lpSurface);
  ASSERT_EQ(DD_OK, primary->Flip(nullptr, DDFLIP_WAIT));
  platform::SurfaceView front = platform::FrontSurfaceView();
  for (int row = 0; row < 240; row++)
    for (int column = 960; column < front.pitch; column++)
      ASSERT_EQ(0xA5, front.bytes[row * front.pitch + column]) << row << " " << column;
  std::vector<std::uint32_t> screen = platform::ScreenPixels();
  ASSERT_EQ(320u * 240u, screen.size());
  for (std::uint32_t pixel : screen) ASSERT_EQ(0x404040u, pixel);
}

TEST_F(DirectDrawTest, LosingFocusLosesTheSurfacesUntilRestoredInTheShowsMode) {
  OpenShow();
  FlipFilled(0x11);
  platform::InjectActivation(false);
  // The desktop is back at once; the window hears of it through its queue.
  EXPECT_TRUE(platform::CurrentScreenMode().desktop);
  EXPECT_EQ(1, appActive);
  DDSURFACEDESC lock = EmptyDescription();
  EXPECT_EQ(DDERR_SURFACELOST, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  EXPECT_EQ(DDERR_SURFACELOST, primary->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_EQ(DDERR_WRONGMODE, primary->Restore());
  Pump();
  EXPECT_EQ(0, appActive);
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{1, true}, {0, true}}),
            Delivered(WM_ACTIVATEAPP));

  platform::InjectActivation(true);
  platform::ScreenMode shown = platform::CurrentScreenMode();
  EXPECT_FALSE(shown.desktop);
  EXPECT_EQ(320, shown.width);
  EXPECT_EQ(DDERR_SURFACELOST, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  Pump();
  EXPECT_EQ(1, appActive);
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{1, true}, {0, true}, {1, true}}),
            Delivered(WM_ACTIVATEAPP));
  // Restoring the front brings back the whole chain's memory.
  EXPECT_EQ(DD_OK, primary->Restore());
  EXPECT_EQ(DD_OK, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
  back->Unlock(lock.lpSurface);
  EXPECT_EQ(DD_OK, primary->Restore());  // nothing lost: nothing to do
  EXPECT_EQ((std::vector<std::string>{"IDirectDrawSurface::Restore -> 0x8876024b",
                                      "IDirectDrawSurface::Restore",
                                      "IDirectDrawSurface::Restore"}),
            TraceLinesStartingWith("IDirectDrawSurface::Restore"));
}

TEST_F(DirectDrawTest, ModeChangesLoseTheSurfacesToo) {
  OpenShow();
  ASSERT_EQ(DD_OK, display->RestoreDisplayMode());
  EXPECT_TRUE(platform::CurrentScreenMode().desktop);
  EXPECT_EQ(DDERR_WRONGMODE, primary->Restore());
  ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, 16));
  EXPECT_EQ(DDERR_WRONGMODE, primary->Restore());  // made for 32 bits
  ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, 32));
  EXPECT_EQ(DD_OK, primary->Restore());
}

TEST_F(DirectDrawTest, ReleasingThePrimaryReleasesItsChain) {
  OpenShow(32, 2);
  EXPECT_EQ(0u, back->Release());  // the chain's own buffer: nothing goes
  EXPECT_EQ(3, platform::LiveSurfaceCount());
  EXPECT_EQ(0u, primary->Release());
  EXPECT_EQ(0, platform::LiveSurfaceCount());
  EXPECT_EQ(nullptr, platform::BackSurfaceView().bytes);

  // The object makes a new primary; its own release takes that one and the screen with it.
  DDSURFACEDESC description = ChainDescription(1);
  ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
  EXPECT_EQ(2, platform::LiveSurfaceCount());
  EXPECT_EQ(0u, display->Release());
  EXPECT_EQ(0, platform::LiveSurfaceCount());
  EXPECT_EQ(0, platform::LiveDirectDrawCount());
  EXPECT_TRUE(platform::CurrentScreenMode().desktop);
  IDirectDraw* next = CreateDisplay();
  EXPECT_EQ(DD_OK, next->SetCooperativeLevel(window, kExclusive));
  next->Release();
}

// The show's sequence from loading DirectDraw to freeing it, as the trace records it.
TEST_F(DirectDrawTest, TheShowsWholeSequenceInTheTrace) {
  HMODULE library = LoadLibraryA("ddraw.dll");
  ASSERT_NE(nullptr, library);
  typedef HRESULT(WINAPI * Create)(GUID*, LPDIRECTDRAW*, IUnknown*);
  Create create = reinterpret_cast<Create>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "DirectDrawCreate")));
  ASSERT_NE(nullptr, create);
  ASSERT_EQ(DD_OK, create(nullptr, &display, nullptr));
  window = MakeWindow();
  ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, kExclusive));
  ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, 32));
  DDSURFACEDESC description = ChainDescription(2);
  ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
  DDSCAPS caps{DDSCAPS_BACKBUFFER};
  ASSERT_EQ(DD_OK, primary->GetAttachedSurface(&caps, &back));
  PrimaryFormat();  // as the show asks, for the trace below
  Pump();
  primary->Restore();
  const void* locked = platform::BackSurfaceView().bytes;
  FlipFilled(0x7F);
  Sleep(0);
  primary->Release();
  display->RestoreDisplayMode();
  display->SetCooperativeLevel(window, DDSCL_NORMAL);
  display->Release();
  DestroyWindow(window);
  FreeLibrary(library);

  const std::string handle = platform::AddressAsTraced(window);
  const std::string size = std::to_string(sizeof(DDSURFACEDESC));
  EXPECT_EQ((std::vector<std::string>{
                "LoadLibraryA ddraw.dll", "GetProcAddress DirectDrawCreate", "DirectDrawCreate",
                ShowClassEntry(), ShowWindowEntry(),
                "DefWindowProcA 0x81", "IDirectDraw::SetCooperativeLevel " + handle + " 0x11",
                "SetCursor null", "IDirectDraw::SetDisplayMode 320 240 32",
                "IDirectDraw::CreateSurface {dwSize " + size +
                    ", dwFlags 0x21, dwBackBufferCount 2, ddsCaps 0x4218} null",
                "IDirectDrawSurface::GetAttachedSurface {dwCaps 0x4}",
                "IDirectDrawSurface::GetPixelFormat {dwSize 32}",
                "PeekMessageA " + handle + " 0x0 0x0 0x1", "IDirectDrawSurface::Restore",
                "IDirectDrawSurface::Lock null {dwSize " + size + "} 0x1 null",
                "IDirectDrawSurface::Unlock " + platform::AddressAsTraced(locked),
                "IDirectDrawSurface::Flip null 0x1", "Sleep 0", "IDirectDrawSurface::Release",
                "IDirectDraw::RestoreDisplayMode",
                "IDirectDraw::SetCooperativeLevel " + handle + " 0x8", "IDirectDraw::Release",
                "DestroyWindow " + handle, "DefWindowProcA 0x2", "DefWindowProcA 0x82",
                "FreeLibrary"}),
            TraceLines());
  EXPECT_EQ(0, platform::WindowCount());
  EXPECT_EQ(0, platform::LiveSurfaceCount());
  EXPECT_EQ(0, platform::LoadedLibraryCount());
  // The active window going took the activation with it, told before its destruction.
  EXPECT_EQ(0, appActive);
  EXPECT_FALSE(platform::ApplicationActive());
  EXPECT_EQ(0x7F7F7Fu, platform::ScreenPixel(0, 0));
}

TEST_F(DirectDrawTest, WaitingFlipsAreFreeUnderTheManualClock) {
  OpenShow();
  const DWORD before = platform::ClockNow();
  for (int flip = 0; flip < 5; flip++) ASSERT_EQ(DD_OK, primary->Flip(nullptr, DDFLIP_WAIT));
  EXPECT_EQ(before, platform::ClockNow());
  EXPECT_EQ(5, platform::FlipCount());
}

// With the real clock a waiting flip keeps to the refresh: the loop can't spin faster.
TEST_F(DirectDrawTest, WaitingFlipsKeepToTheRefreshUnderTheRealClock) {
  OpenShow();
  platform::ClockUseReal();
  // The refresh starts counting at the first flip; each flip after it waits for a refresh after
  // the one before's, so the eighth can't come before the seventh refresh.
  const auto start = std::chrono::steady_clock::now();
  for (int flip = 0; flip < 8; flip++) ASSERT_EQ(DD_OK, primary->Flip(nullptr, DDFLIP_WAIT));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // Seven refreshes at 60 Hz are 116.7 ms; allow for the timer's grain.
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 110);
}

// A flip finds an unchanged picture by comparing it with the one before: any byte that differs,
// at the start, in the middle or at the end, is a change; a buffer of another size is never the
// same.
TEST(FlippedPictureComparison, AnyDifferingByteIsAChange) {
  using platform::ddraw::SameBytes;
  for (const std::size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 23u, 4097u, 320u * 240u * 4u + 3u}) {
    std::vector<std::uint8_t> picture(size);
    for (std::size_t i = 0; i < size; i++) picture[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::vector<std::uint8_t> copy = picture;
    EXPECT_TRUE(SameBytes(picture, copy)) << size;
    // Every byte of a small buffer; of a whole picture, its first and last 32 and some between.
    std::vector<std::size_t> places;
    for (std::size_t at = 0; at < size; at++)
      if (size < 64 || at < 32 || at + 32 >= size || at % 4093 == 0) places.push_back(at);
    for (const std::size_t at : places) {
      copy[at] ^= 0x80;
      EXPECT_FALSE(SameBytes(picture, copy)) << "size " << size << ", byte " << at;
      copy[at] ^= 0x80;
    }
    std::vector<std::uint8_t> longer = picture;
    longer.push_back(0);
    EXPECT_FALSE(SameBytes(picture, longer)) << size;
    EXPECT_FALSE(SameBytes(longer, picture)) << size;
  }
}

}  // namespace
}  // namespace displaytest
