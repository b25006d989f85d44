// The show window, the fullscreen display and frame presentation, on the stand-ins' controls.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "platform/controls/display_controls.h"
#include "platform/controls/journal.h"
#include "platform/controls/kernel_controls.h"

namespace {

using platform::JournalEntriesStartingWith;

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDisplayControls();
    platform::ResetKernelControls();
    platform::ClockUseManual(1000);  // flips don't wait for a real refresh
    platform::JournalEnable(true);
    platform::JournalClear();
    quitRequested = 0;
    appActive = 0;
    displayState = DisplayState();
    frame.assign(kFramePixels, 0);
    for (int i = 0; i < kFramePixels; i++) frame[i] = 0x80000000u | (i * 2654435761u >> 8);
  }
  void TearDown() override {
    platform::JournalEnable(false);
    platform::ResetDisplayControls();
    platform::ResetKernelControls();
  }

  void Profile(void (*change)(platform::DisplayProfile&)) {
    platform::DisplayProfile profile = platform::DefaultDisplayProfile();
    change(profile);
    platform::SetDisplayProfile(profile);
  }

  // The journal entries of one kind of call, in order.
  static std::vector<std::string> Calls(const std::string& prefix) {
    return JournalEntriesStartingWith(prefix);
  }
  static bool Called(const std::string& prefix) { return !Calls(prefix).empty(); }

  std::vector<FramePixel> frame;
};

TEST_F(DisplayTest, DepthLadderTakesTheFirstDepthTheScreenAccepts) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode"),
            std::vector<std::string>{"IDirectDraw::SetDisplayMode 320 240 32"});
  EXPECT_EQ(displayState.converter, ConvertRowXRGB32);
  EXPECT_EQ(platform::CurrentScreenMode().bitsPerPixel, 32);
  CloseDisplay();

  platform::ResetDisplayControls();
  platform::JournalClear();
  displayState = DisplayState();
  Profile([](platform::DisplayProfile& p) { p.accepts32 = false; });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> modes = Calls("IDirectDraw::SetDisplayMode");
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].rfind("IDirectDraw::SetDisplayMode 320 240 32 -> ", 0), 0u) << modes[0];
  EXPECT_EQ(modes[1], "IDirectDraw::SetDisplayMode 320 240 24");
  EXPECT_EQ(displayState.converter, ConvertRowRGB24);
  CloseDisplay();

  platform::ResetDisplayControls();
  platform::JournalClear();
  displayState = DisplayState();
  Profile([](platform::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ScreenLayout::kBGR565;
  });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode").size(), 3u);
  EXPECT_EQ(displayState.converter, ConvertRowBGR565);
  CloseDisplay();
}

TEST_F(DisplayTest, NoAcceptedDepthFailsOpen) {
  Profile([](platform::DisplayProfile& p) { p.accepts32 = p.accepts24 = p.accepts16 = false; });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
  EXPECT_EQ(Calls("IDirectDraw::SetDisplayMode").size(), 3u);
  EXPECT_FALSE(Called("IDirectDraw::CreateSurface"));
}

TEST_F(DisplayTest, UnsupportedLayoutFailsWithModeAndSurfacesHeld) {
  Profile([](platform::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ScreenLayout::kRGB555;
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
  Profile([](platform::DisplayProfile& p) {
    p.accepts32 = p.accepts24 = false;
    p.layout16 = platform::ScreenLayout::kPalette8;
  });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
  EXPECT_EQ(displayState.converter, nullptr);
}

TEST_F(DisplayTest, OneBackBufferIsAcceptedWhenTwoAreRefused) {
  Profile([](platform::DisplayProfile& p) { p.maxBackBuffers = 1; });
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> creates = Calls("IDirectDraw::CreateSurface");
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_EQ(creates[0].rfind("IDirectDraw::CreateSurface 2 -> ", 0), 0u) << creates[0];
  EXPECT_EQ(creates[1], "IDirectDraw::CreateSurface 1");
  EXPECT_NE(displayState.back, nullptr);
  CloseDisplay();

  platform::ResetDisplayControls();
  displayState = DisplayState();
  Profile([](platform::DisplayProfile& p) { p.maxBackBuffers = 0; });
  EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
}

TEST_F(DisplayTest, StartUpRefusalsFailOpen) {
  void (*refusals[])(platform::DisplayProfile&) = {
      [](platform::DisplayProfile& p) { p.libraryMissing = true; },
      [](platform::DisplayProfile& p) { p.entryMissing = true; },
      [](platform::DisplayProfile& p) { p.createFails = true; },
      [](platform::DisplayProfile& p) { p.exclusiveRefused = true; },
  };
  for (auto refusal : refusals) {
    platform::ResetDisplayControls();
    platform::JournalClear();
    displayState = DisplayState();
    Profile(refusal);
    EXPECT_EQ(OpenDisplay("Quenthor", 320, 240), 0);
    EXPECT_FALSE(Called("IDirectDraw::SetDisplayMode"));
  }
}

TEST_F(DisplayTest, OpenMakesItsRequestsInOrderAndActivatesTheWindow) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  std::vector<std::string> calls;
  for (const std::string& entry : platform::JournalEntries())
    if (entry.rfind("Sleep", 0) != 0 && entry.rfind("DefWindowProcA", 0) != 0)
      calls.push_back(entry);
  std::vector<std::string> expected = {
      "LoadLibraryA ddraw.dll", "GetProcAddress DirectDrawCreate", "DirectDrawCreate",
      "RegisterClassA Quenthor", "CreateWindowExA", "IDirectDraw::SetCooperativeLevel 0x11",
      "IDirectDraw::SetDisplayMode 320 240 32", "IDirectDraw::CreateSurface 2",
      "IDirectDrawSurface::GetAttachedSurface", "IDirectDrawSurface::GetPixelFormat"};
  EXPECT_EQ(calls, expected);
  // Exclusive access activated the window, and the procedure saw it at once.
  EXPECT_EQ(appActive, 1);
  EXPECT_EQ(displayState.width, 320);
  EXPECT_EQ(displayState.height, 240);
  CloseDisplay();
}

TEST_F(DisplayTest, CloseGivesEverythingBackInOrder) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::JournalClear();
  CloseDisplay();
  std::vector<std::string> calls;
  for (const std::string& entry : platform::JournalEntries())
    if (entry.rfind("DefWindowProcA", 0) != 0) calls.push_back(entry);
  std::vector<std::string> expected = {
      "IDirectDrawSurface::Release", "IDirectDraw::RestoreDisplayMode",
      "IDirectDraw::SetCooperativeLevel 0x8", "IDirectDraw::Release", "DestroyWindow",
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

TEST_F(DisplayTest, OnlyEscapeRaisesTheQuitFlag) {
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

TEST_F(DisplayTest, CloseRequestRaisesTheQuitFlagAndKeepsTheWindow) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::InjectCloseRequest();
  PresentFrame(frame.data());
  EXPECT_EQ(quitRequested, 1);
  EXPECT_EQ(platform::WindowCount(), 1);
  EXPECT_FALSE(Called("DestroyWindow"));
  CloseDisplay();
}

TEST_F(DisplayTest, PointerOverTheWindowIsHidden) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::InjectPointerOver();
  PresentFrame(frame.data());
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_TRUE(Called("SetCursor null"));
  CloseDisplay();
}

TEST_F(DisplayTest, InactivePassDrawsNothingButStillPumpsAndSleepsOneMillisecond) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  PresentFrame(frame.data());
  int flips = platform::FlipCount();
  platform::InjectActivation(false);
  platform::InjectKeyDown(VK_ESCAPE);
  platform::JournalClear();
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
  platform::JournalClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  EXPECT_EQ(appActive, 1);
  EXPECT_EQ(platform::FlipCount(), flips + 1);
  EXPECT_EQ(Calls("Sleep"), std::vector<std::string>{"Sleep 0"});
  EXPECT_EQ(platform::ScreenPixel(5, 7), frame[7 * 320 + 5] & 0xFFFFFF);
  CloseDisplay();
}

TEST_F(DisplayTest, DrawnPassRestoresLocksConvertsUnlocksFlipsAndYields) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::JournalClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  std::vector<std::string> calls;
  for (const std::string& entry : platform::JournalEntries())
    if (entry.rfind("IDirectDrawSurface::", 0) == 0 || entry.rfind("Sleep", 0) == 0)
      calls.push_back(entry);
  std::vector<std::string> expected = {"IDirectDrawSurface::Restore", "IDirectDrawSurface::Lock",
                                       "IDirectDrawSurface::Unlock", "IDirectDrawSurface::Flip",
                                       "Sleep 0"};
  EXPECT_EQ(calls, expected);
  std::vector<std::uint32_t> shown = platform::ScreenPixels();
  ASSERT_EQ(shown.size(), frame.size());
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(shown[i], frame[i] & 0xFFFFFF) << "pixel " << i;
  CloseDisplay();
}

TEST_F(DisplayTest, FailedLockReturnsZeroWithNoUnlockFlipOrSleep) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  platform::FailNextLocks(1);
  platform::JournalClear();
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

TEST_F(DisplayTest, WidePitchLeavesThePaddingUntouched) {
  Profile([](platform::DisplayProfile& p) {
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

TEST_F(DisplayTest, ZeroHeightConvertsNothingButStillFlipsAndYields) {
  ASSERT_EQ(OpenDisplay("Quenthor", 320, 240), 1);
  displayState.height = 0;
  platform::JournalClear();
  EXPECT_EQ(PresentFrame(frame.data()), 1);
  EXPECT_TRUE(Called("IDirectDrawSurface::Unlock"));
  EXPECT_TRUE(Called("IDirectDrawSurface::Flip"));
  EXPECT_EQ(Calls("Sleep"), std::vector<std::string>{"Sleep 0"});
  EXPECT_EQ(platform::ScreenPixel(0, 0), 0u);
  CloseDisplay();
}

TEST_F(DisplayTest, MessagesForOtherWindowsStayQueued) {
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
