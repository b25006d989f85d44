// The show window's procedure called directly: what it answers for each message it handles and
// that those never reach the default procedure, while every other message gets the default
// procedure's own answer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/support/controls_reset.h"
#include "tests/support/controls_test.h"

namespace {

using platform::TraceLinesStartingWith;

class WindowProcedureTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    // The window class is a local of CreateShowWindow: on a stack of 0xA5 bytes, a field it
    // leaves unset shows in what it registers.
    FillStackBelow();
    window = CreateShowWindow("Quenthor");
    ASSERT_NE(window, nullptr);
    registered = TraceLinesStartingWith("RegisterClassA");
    platform::TraceClear();
  }

  static bool DefaultProcedureCalled() { return !TraceLinesStartingWith("DefWindowProcA").empty(); }

  HWND window = nullptr;
  std::vector<std::string> registered;
};

TEST_F(WindowProcedureTest, TheClassSetsEveryFieldItselfAndCarriesOnlyTheProcedureAndName) {
  EXPECT_EQ(registered,
            std::vector<std::string>{
                "RegisterClassA {style 0x0, lpfnWndProc " +
                platform::AddressAsTraced(reinterpret_cast<const void*>(ShowWindowProc)) +
                ", cbClsExtra 0, cbWndExtra 0, hInstance null, hIcon null, hCursor null, "
                "hbrBackground null, lpszMenuName null, lpszClassName \"Quenthor\"}"});
}

TEST_F(WindowProcedureTest, ActivationIsTakenFromWParamAndAnsweredWithZero) {
  EXPECT_EQ(ShowWindowProc(window, WM_ACTIVATEAPP, 1, 0), 0);
  EXPECT_EQ(appActive, 1);
  EXPECT_EQ(ShowWindowProc(window, WM_ACTIVATEAPP, 0, 0), 0);
  EXPECT_EQ(appActive, 0);
  EXPECT_EQ(ShowWindowProc(window, WM_ACTIVATEAPP, 1, 0), 0);
  EXPECT_EQ(appActive, 1);
  EXPECT_FALSE(DefaultProcedureCalled());
}

TEST_F(WindowProcedureTest, CursorRequestHidesThePointerAndIsAnsweredWithZero) {
  EXPECT_EQ(ShowWindowProc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 0);
  EXPECT_EQ(TraceLinesStartingWith("SetCursor"), std::vector<std::string>{"SetCursor null"});
  EXPECT_FALSE(DefaultProcedureCalled());
}

TEST_F(WindowProcedureTest, EveryKeyIsAnsweredWithZeroAndOnlyEscapeQuits) {
  // Only the key code's low 8 bits are compared with Escape's, whatever the bits above hold.
  for (WPARAM key = 0; key < 0x400; key++) {
    quitRequested = 0;
    ASSERT_EQ(ShowWindowProc(window, WM_KEYDOWN, key, 0), 0) << "key 0x" << std::hex << key;
    ASSERT_EQ(quitRequested, (key & 0xFF) == VK_ESCAPE ? 1 : 0) << "key 0x" << std::hex << key;
  }
  quitRequested = 0;
  EXPECT_EQ(ShowWindowProc(window, WM_KEYDOWN, 0xFFFF1B, 0), 0);
  EXPECT_EQ(quitRequested, 1);
  EXPECT_FALSE(DefaultProcedureCalled());
}

TEST_F(WindowProcedureTest, CloseRequestQuitsIsAnsweredWithZeroAndLeavesTheWindow) {
  EXPECT_EQ(ShowWindowProc(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(quitRequested, 1);
  EXPECT_EQ(platform::WindowCount(), 1);
  EXPECT_FALSE(DefaultProcedureCalled());
  EXPECT_TRUE(TraceLinesStartingWith("DestroyWindow").empty());
}

TEST_F(WindowProcedureTest, OtherMessagesGetTheDefaultProceduresAnswer) {
  // Creation is the one message the default procedure answers with nonzero (go ahead).
  const LRESULT expected = DefWindowProcA(window, WM_NCCREATE, 0, 0);
  ASSERT_NE(expected, 0);
  platform::TraceClear();
  EXPECT_EQ(ShowWindowProc(window, WM_NCCREATE, 0, 0), expected);
  EXPECT_EQ(TraceLinesStartingWith("DefWindowProcA"),
            std::vector<std::string>{"DefWindowProcA 0x81"});
  // A message the show doesn't know goes to the default procedure too, unchanged.
  platform::TraceClear();
  EXPECT_EQ(ShowWindowProc(window, WM_USER + 7, 3, 4), 0);
  EXPECT_EQ(TraceLinesStartingWith("DefWindowProcA"),
            std::vector<std::string>{"DefWindowProcA 0x407"});
  EXPECT_EQ(quitRequested, 0);
  EXPECT_EQ(appActive, 0);
}

}  // namespace
