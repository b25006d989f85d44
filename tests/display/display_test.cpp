// The show window, the fullscreen display and frame presentation, on the stand-ins' controls.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "show/show.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/support/controls_test.h"

namespace {

using platform::TraceLinesStartingWith;

class ShowDisplayTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    frame.assign(kFramePixels, 0);
    for (int i = 0; i < kFramePixels; i++) frame[i] = 0x80000000u | (i * 2654435761u >> 8);
  }
  // The display closed and its controls as at the start, for a second open in the same test.
  static void StartAgain() {
    platform::ResetDisplayControls();
    platform::TraceClear();
    displayState = DisplayState();
  }

  void Profile(void (*change)(platform::ddraw::DisplayProfile&)) {
    platform::ddraw::DisplayProfile profile;
    change(profile);
    platform::SetDisplayProfile(profile);
  }

  void Faults(void (*change)(platform::DisplayFaults&)) {
    platform::DisplayFaults faults;
    change(faults);
    platform::SetDisplayFaults(faults);
  }

  // The trace lines of one kind of call, in order.
  static std::vector<std::string> Calls(const std::string& prefix) {
    return TraceLinesStartingWith(prefix);
  }
  static bool Called(const std::string& prefix) { return !Calls(prefix).empty(); }

  static std::string Address(const void* address) { return platform::AddressAsTraced(address); }
  static std::string Window() { return Address(displayState.window); }
  // How PeekMessageA, TranslateMessage and DispatchMessageA write a message.
  static std::string Message(UINT message, WPARAM wParam, std::uint32_t lParam) {
    return platform::MessageAsTraced(displayState.window, message, wParam, lParam);
  }
  // The show's pump: what it asks PeekMessageA for.
  static std::string Peek() { return "PeekMessageA " + Window() + " 0x0 0x0 0x1"; }

  std::vector<FramePixel> frame;
};

TEST_F(ShowDisplayTest, DepthLadderTakesTheFirstDepthTheScreenAccepts) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode"),
            std::vector<std::string>{"IDirectDraw::SetDisplayMode 320 240 32"});
  EXPECT_EQ(displayState.converter, ConvertRowXRGB32);
  EXPECT_EQ(platform::CurrentScreenMode().bitsPerPixel, 32);
  CloseDisplay();

  StartAgain();
  Profile([](platform::ddraw::DisplayProfile& p) { p.accepts32 = false; });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> modes = Calls("IDirectDraw::SetDisplayMode");
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].rfind("IDirectDraw::SetDisplayMode 320 240 32 -> ", 0), 0u) << modes[0];
  EXPECT_EQ(modes[1], "IDirectDraw::SetDisplayMode 320 240 24");
  EXPECT_EQ(displayState.converter, ConvertRowRGB24);
  CloseDisplay();

  StartAgain();
  Profile([](platform::ddraw::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ddraw::ScreenLayout::kBGR565;
  });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode").size(), 3u);
  EXPECT_EQ(displayState.converter, ConvertRowBGR565);
  CloseDisplay();
}

TEST_F(ShowDisplayTest, NoAcceptedDepthFailsOpen) {
  Profile([](platform::ddraw::DisplayProfile& p) { p.accepts32 = p.accepts24 = p.accepts16 = false; });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode").size(), 3u);
  EXPECT_FALSE(Called("IDirectDraw::CreateSurface"));
}

TEST_F(ShowDisplayTest, UnsupportedLayoutFailsWithModeAndSurfacesHeld) {
  Profile([](platform::ddraw::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ddraw::ScreenLayout::kRGB555;
  });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
  EXPECT_EQ(displayState.converter, nullptr);
  EXPECT_NE(displayState.primary, nullptr);
  EXPECT_NE(displayState.back, nullptr);
  EXPECT_GT(platform::LiveSurfaceCount(), 0);
  EXPECT_EQ(platform::CurrentScreenMode().bitsPerPixel, 16);
  EXPECT_FALSE(platform::CurrentScreenMode().desktop);
  EXPECT_FALSE(Called("IDirectDraw::RestoreDisplayMode"));
  EXPECT_FALSE(Called("IDirectDrawSurface::Release"));

  // A palettised screen isn't RGB at all.
  platform::ResetDisplayControls();
  displayState = DisplayState();
  Profile([](platform::ddraw::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ddraw::ScreenLayout::kPalette8;
  });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
  EXPECT_EQ(displayState.converter, nullptr);
}

// A driver that builds the chain and then lets the show down: each ends the open with 0 at that
// step, with nothing shown and nothing asked after it.
TEST_F(ShowDisplayTest, DriverFaultsAfterTheChainFailOpen) {
  struct Fault {
    const char* name;
    void (*set)(platform::DisplayFaults&);
    const char* lastCall;
  };
  const Fault faults[] = {
      {"no attached back buffer",
       [](platform::DisplayFaults& p) { p.attachedSurfaceMissing = true; },
       "IDirectDrawSurface::GetAttachedSurface {dwCaps 0x4} -> 0x887600ff"},
      {"pixel format not readable", [](platform::DisplayFaults& p) { p.pixelFormatFails = true; },
       "IDirectDrawSurface::GetPixelFormat {dwSize 32} -> 0x80004005"},
      // Masks the converters know, at a depth they know, but not said to be RGB.
      {"no RGB flag", [](platform::DisplayFaults& p) { p.rgbFlagMissing = true; },
       "IDirectDrawSurface::GetPixelFormat {dwSize 32}"},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    StartAgain();
    Faults(fault.set);
    EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
    EXPECT_EQ(displayState.converter, nullptr);
    const std::vector<std::string> trace = platform::TraceLines();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), fault.lastCall);
    EXPECT_FALSE(Called("MessageBoxA"));
  }
}

TEST_F(ShowDisplayTest, OneBackBufferIsAcceptedWhenTwoAreRefused) {
  Faults([](platform::DisplayFaults& p) { p.maxBackBuffers = 1; });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> creates = Calls("IDirectDraw::CreateSurface");
  const std::string asked = "IDirectDraw::CreateSurface {dwSize " +
                            std::to_string(sizeof(DDSURFACEDESC)) + ", dwFlags 0x21, " +
                            "dwBackBufferCount ";
  ASSERT_EQ(creates.size(), 2u);
  // The same request both times but for the count.
  EXPECT_EQ(creates[0], asked + "2, ddsCaps 0x4218} null -> 0x8876017c");
  EXPECT_EQ(creates[1], asked + "1, ddsCaps 0x4218} null");
  EXPECT_NE(displayState.back, nullptr);
  CloseDisplay();

  platform::ResetDisplayControls();
  displayState = DisplayState();
  Faults([](platform::DisplayFaults& p) { p.maxBackBuffers = 0; });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
}

// Each refusal ends the opening at once: the next step's call is never made.
TEST_F(ShowDisplayTest, StartUpRefusalsFailOpen) {
  struct Refusal {
    void (*set)(platform::DisplayFaults&);
    const char* nextCall;
  };
  const Refusal refusals[] = {
      {[](platform::DisplayFaults& p) { p.libraryMissing = true; }, "GetProcAddress"},
      {[](platform::DisplayFaults& p) { p.entryMissing = true; }, "DirectDrawCreate"},
      {[](platform::DisplayFaults& p) { p.createFails = true; }, "RegisterClassA"},
      {[](platform::DisplayFaults& p) { p.exclusiveRefused = true; },
       "IDirectDraw::SetDisplayMode"},
  };
  for (const Refusal& refusal : refusals) {
    StartAgain();
    Faults(refusal.set);
    EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0) << refusal.nextCall;
    EXPECT_FALSE(Called(refusal.nextCall)) << refusal.nextCall;
  }
}

// Every value the show passes in opening, in the order it passes them.
TEST_F(ShowDisplayTest, OpenMakesItsRequestsInOrderWithTheirValuesAndActivatesTheWindow) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> calls;
  for (const std::string& entry : platform::TraceLines())
    if (entry.rfind("DefWindowProcA", 0) != 0) calls.push_back(entry);
  ASSERT_NE(displayState.window, nullptr);
  std::vector<std::string> expected = {
      "LoadLibraryA ddraw.dll", "GetProcAddress DirectDrawCreate", "DirectDrawCreate",
      // No style, no instance, icon, cursor, brush or menu: the class is the show's procedure.
      "RegisterClassA {style 0x0, lpfnWndProc " +
          Address(reinterpret_cast<const void*>(ShowWindowProc)) +
          ", cbClsExtra 0, cbWndExtra 0, hInstance null, hIcon null, hCursor null, "
          "hbrBackground null, lpszMenuName null, lpszClassName \"Quenthor\"}",
      // A popup with no visibility and no size, owned by nothing.
      "CreateWindowExA 0x0 \"Quenthor\" \"Quenthor\" 0x80000000 0 0 0 0 null null null null",
      "IDirectDraw::SetCooperativeLevel " + Window() + " 0x11",
      // Exclusive access activated the window and put it under the pointer.
      "SetCursor null",
      "IDirectDraw::SetDisplayMode 320 240 32",
      "IDirectDraw::CreateSurface {dwSize " + std::to_string(sizeof(DDSURFACEDESC)) +
          ", dwFlags 0x21, dwBackBufferCount 2, ddsCaps 0x4218} null",
      "IDirectDrawSurface::GetAttachedSurface {dwCaps 0x4}",
      "IDirectDrawSurface::GetPixelFormat {dwSize 32}"};
  EXPECT_EQ(calls, expected);
  // The procedure saw the activation before SetCooperativeLevel returned.
  EXPECT_EQ(appActive, 1);
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_EQ(displayState.width, 320);
  EXPECT_EQ(displayState.height, 240);
  CloseDisplay();
}

TEST_F(ShowDisplayTest, CloseGivesEverythingBackInOrder) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  const std::string window = Window();
  platform::TraceClear();
  CloseDisplay();
  std::vector<std::string> calls;
  for (const std::string& entry : platform::TraceLines())
    if (entry.rfind("DefWindowProcA", 0) != 0) calls.push_back(entry);
  std::vector<std::string> expected = {"IDirectDrawSurface::Release",
                                       "IDirectDraw::RestoreDisplayMode",
                                       "IDirectDraw::SetCooperativeLevel " + window + " 0x8",
                                       "IDirectDraw::Release",
                                       "DestroyWindow " + window,
                                       "FreeLibrary"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(displayState.primary, nullptr);
  EXPECT_EQ(displayState.display, nullptr);
  EXPECT_EQ(displayState.library, nullptr);
  EXPECT_EQ(platform::LiveSurfaceCount(), 0);
  EXPECT_EQ(platform::LiveDirectDrawCount(), 0);
  EXPECT_EQ(platform::WindowCount(), 0);
  EXPECT_EQ(platform::LoadedLibraryCount(), 0);
  EXPECT_TRUE(platform::CurrentScreenMode().desktop);
}

TEST_F(ShowDisplayTest, OnlyEscapeRaisesTheQuitFlag) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  for (WPARAM key : std::initializer_list<WPARAM>{VK_RETURN, VK_SPACE, WPARAM('A'), WPARAM('1'), VK_LEFT, 0x1B00,
                     WPARAM(0x1C)}) {
    platform::InjectKeyDown(key);
    PresentFrame(frame.data());
    EXPECT_EQ(quitRequested, 0) << "key " << key;
  }
  // Only the low 8 bits of the key are compared.
  platform::InjectKeyDown(0x11B);
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 1);
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 1);  // never cleared
  CloseDisplay();
}

TEST_F(ShowDisplayTest, CloseRequestRaisesTheQuitFlagAndKeepsTheWindow) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::InjectCloseRequest();
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 1);
  EXPECT_EQ(platform::WindowCount(), 1);
  EXPECT_FALSE(Called("DestroyWindow"));
  CloseDisplay();
}

TEST_F(ShowDisplayTest, PointerMovingOverTheWindowIsHiddenAgain) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  // Something showed a pointer meanwhile.
  SetCursor(reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x10003)));
  ASSERT_FALSE(platform::PointerHidden());
  platform::ClearDeliveredMessages();
  platform::TraceClear();
  platform::InjectPointerOver();
  PresentFrame(frame.data());
  EXPECT_TRUE(platform::PointerHidden());
  // The window was asked inside the pump's PeekMessageA, by a sent message, not a queued one.
  const std::vector<platform::WindowMessage> delivered = platform::DeliveredMessages();
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].message, static_cast<UINT>(WM_SETCURSOR));
  EXPECT_TRUE(delivered[0].sent);
  const std::vector<std::string> trace = platform::TraceLines();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace[0], "SetCursor null");
  EXPECT_EQ(trace[1], Peek());
  CloseDisplay();
}

TEST_F(ShowDisplayTest, EscapeWithAltHeldIsTheSystemsKeyAndDoesntEndTheShow) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::InjectKeyDown(VK_MENU);
  platform::InjectKeyDown(VK_ESCAPE);
  platform::InjectKeyUp(VK_ESCAPE);
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 0);
  platform::InjectKeyUp(VK_MENU);
  platform::InjectKeyDown(VK_ESCAPE);
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 1);
  CloseDisplay();
}

// Each message the pump takes is translated, then dispatched, before the next is taken; the pump
// ends when PeekMessageA has nothing for the window.
TEST_F(ShowDisplayTest, PumpTranslatesAndDispatchesEveryMessageItTakes) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::InjectKeyDown('A');
  platform::InjectCloseRequest();
  platform::TraceClear();
  PresentFrame(frame.data());
  std::vector<std::string> pump;
  for (const std::string& entry : platform::TraceLines()) {
    if (entry.rfind("IDirectDrawSurface", 0) == 0) break;
    if (entry.rfind("DefWindowProcA", 0) != 0) pump.push_back(entry);
  }
  const std::string keyA = Message(WM_KEYDOWN, 'A', 0x001E0001);
  const std::string characterA = Message(WM_CHAR, 'a', 0x001E0001);
  const std::string close = Message(WM_CLOSE, 0, 0);
  std::vector<std::string> expected = {
      Peek() + " -> " + keyA,       "TranslateMessage " + keyA,       "DispatchMessageA " + keyA,
      Peek() + " -> " + characterA, "TranslateMessage " + characterA, "DispatchMessageA " + characterA,
      Peek() + " -> " + close,      "TranslateMessage " + close,      "DispatchMessageA " + close,
      Peek()};
  EXPECT_EQ(pump, expected);
  EXPECT_EQ(quitRequested, 1);
  CloseDisplay();
}

TEST_F(ShowDisplayTest, InactivePassDrawsNothingButStillPumpsAndSleepsOneMillisecond) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  PresentFrame(frame.data());
  int flips = platform::FlipCount();
  platform::InjectActivation(false);
  platform::InjectKeyDown(VK_ESCAPE);
  platform::TraceClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  // The deactivation arrived in this pass's pump and stopped its drawing already.
  EXPECT_EQ(appActive, 0);
  EXPECT_EQ(quitRequested, 1);
  EXPECT_EQ(platform::FlipCount(), flips);
  EXPECT_FALSE(Called("IDirectDrawSurface::Lock"));
  EXPECT_FALSE(Called("IDirectDrawSurface::Restore"));
  EXPECT_FALSE(Called("IDirectDrawSurface::Flip"));
  EXPECT_EQ(Calls("Sleep"), std::vector<std::string>{"Sleep 1"});

  // Back in front: the surfaces were lost, and the next pass restores and draws again.
  platform::InjectActivation(true);
  platform::TraceClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  EXPECT_EQ(appActive, 1);
  EXPECT_EQ(platform::FlipCount(), flips + 1);
  EXPECT_EQ(Calls("Sleep"), std::vector<std::string>{"Sleep 0"});
  EXPECT_EQ(platform::ScreenPixel(5, 7), frame[7 * 320 + 5] & 0xFFFFFF);
  CloseDisplay();
}

// A drawn pass, call by call, with every value it passes.
TEST_F(ShowDisplayTest, DrawnPassRestoresLocksConvertsUnlocksFlipsAndYields) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  // The lock gives the back buffer's memory; the unlock must hand the same address back.
  const void* locked = platform::BackSurfaceView().bytes;
  platform::TraceClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  std::vector<std::string> expected = {
      Peek(),
      "IDirectDrawSurface::Restore",
      "IDirectDrawSurface::Lock null {dwSize " + std::to_string(sizeof(DDSURFACEDESC)) +
          "} 0x1 null",
      "IDirectDrawSurface::Unlock " + Address(locked),
      "IDirectDrawSurface::Flip null 0x1",
      "Sleep 0"};
  EXPECT_EQ(platform::TraceLines(), expected);
  std::vector<std::uint32_t> shown = platform::ScreenPixels();
  ASSERT_EQ(shown.size(), frame.size());
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(shown[i], frame[i] & 0xFFFFFF) << "pixel " << i;
  CloseDisplay();
}

// A flip is pending until the screen's next refresh, and the clock hasn't moved: the next pass's
// lock meets it and waits, and the pass draws all the same.
TEST_F(ShowDisplayTest, PassesInTheSameRefreshWaitForThePendingFlip) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  for (int pass = 0; pass < 3; pass++) {
    for (int i = 0; i < kFramePixels; i++) frame[i] = 0x010101u * (pass + 1);
    EXPECT_EQ(PresentFrame(frame.data()), 1) << "pass " << pass;
    EXPECT_EQ(platform::FlipCount(), pass + 1);
    EXPECT_EQ(platform::ScreenPixel(100, 100), 0x010101u * (pass + 1));
  }
  for (const std::string& entry : Calls("IDirectDrawSurface::"))
    EXPECT_EQ(entry.find(" -> "), std::string::npos) << entry;
  CloseDisplay();
}

TEST_F(ShowDisplayTest, FailedLockReturnsZeroWithNoUnlockFlipOrSleep) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::FailNextLocks(1);
  platform::TraceClear();
  EXPECT_EQ(PresentFrame(frame.data()), 0);
  EXPECT_TRUE(Called("IDirectDrawSurface::Lock"));
  EXPECT_FALSE(Called("IDirectDrawSurface::Unlock"));
  EXPECT_FALSE(Called("IDirectDrawSurface::Flip"));
  EXPECT_FALSE(Called("Sleep"));
  EXPECT_EQ(platform::FlipCount(), 0);
  // The next pass tries again.
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  EXPECT_EQ(platform::FlipCount(), 1);
  CloseDisplay();
}

TEST_F(ShowDisplayTest, WidePitchLeavesThePaddingUntouched) {
  Faults([](platform::DisplayFaults& p) {
    p.extraPitchBytes = 24;
    p.surfaceFill = 0xA5;
  });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  PresentFrame(frame.data());
  // The flip put the converted surface in front.
  platform::SurfaceView front = platform::FrontSurfaceView();
  ASSERT_GE(front.pitch, 320 * 4 + 24);
  for (int row = 0; row < 240; row++) {
    const std::uint8_t* line = front.bytes + row * front.pitch;
    ASSERT_EQ(std::memcmp(line, &frame[row * 320], 320 * 4), 0) << "row " << row;
    for (int pad = 320 * 4; pad < front.pitch; pad++)
      ASSERT_EQ(line[pad], 0xA5) << "row " << row << " byte " << pad;
  }
  CloseDisplay();
}

TEST_F(ShowDisplayTest, ZeroHeightConvertsNothingButStillFlipsAndYields) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  displayState.height = 0;
  platform::TraceClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  EXPECT_TRUE(Called("IDirectDrawSurface::Unlock"));
  EXPECT_TRUE(Called("IDirectDrawSurface::Flip"));
  EXPECT_EQ(Calls("Sleep"), std::vector<std::string>{"Sleep 0"});
  EXPECT_EQ(platform::ScreenPixel(0, 0), 0u);
  CloseDisplay();
}

TEST_F(ShowDisplayTest, MessagesForOtherWindowsStayQueued) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::PostMessageTo(platform::OtherWindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
  platform::PostMessageTo(nullptr, WM_USER + 1, 0, 0);
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 0);
  std::vector<platform::WindowMessage> queued = platform::QueuedMessages();
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(queued[1].message, static_cast<UINT>(WM_USER + 1));
  CloseDisplay();
}

}  // namespace
