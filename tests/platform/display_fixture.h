// Shared set-up of the window-system and DirectDraw stand-in tests: every test starts from the
// reset stand-ins, the manual clock and an empty trace, and has helpers that open the display
// the way the show does.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "tests/controls/display_controls.h"
#include "tests/controls/kernel_controls.h"
#include "tests/controls/trace.h"
#include "tests/support/controls_test.h"

namespace displaytest {

// What a window's creation answers, for the tests of a procedure that refuses its window.
struct Creation {
  int result = 0;  // returned for WM_CREATE; -1 refuses the window
};
extern Creation creation;

// The show's own procedure, which raises appActive and quitRequested. WM_CREATE is answered here
// instead, so a test can make a window refuse its creation, which the show's never does.
inline LRESULT CALLBACK ShowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return creation.result;
  return ShowWindowProc(window, message, wParam, lParam);
}

// The trace's lines for the show's window class and window, registered and created as the
// display's CreateShowWindow does with ShowProcedure.
inline std::string ShowClassEntry() {
  return "RegisterClassA {style 0x0, lpfnWndProc " +
         platform::AddressAsTraced(reinterpret_cast<const void*>(ShowProcedure)) +
         ", cbClsExtra 0, cbWndExtra 0, hInstance null, hIcon null, hCursor null, "
         "hbrBackground null, lpszMenuName null, lpszClassName \"Quenthor\"}";
}
inline std::string ShowWindowEntry() {
  return "CreateWindowExA 0x0 \"Quenthor\" \"Quenthor\" 0x80000000 0 0 0 0 null null null null";
}

inline DDSURFACEDESC EmptyDescription() {
  DDSURFACEDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  return description;
}

inline DDSURFACEDESC ChainDescription(DWORD backBuffers) {
  DDSURFACEDESC description = EmptyDescription();
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.ddsCaps.dwCaps =
      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
  description.dwBackBufferCount = backBuffers;
  return description;
}

class StandInsTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    creation = Creation();
  }

  static void RegisterShowClass(const char* name) {
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = ShowProcedure;
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
  }

  HWND MakeWindow(const char* name = "Quenthor") {
    RegisterShowClass(name);
    return CreateWindowExA(0, name, name, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                           nullptr);
  }

  IDirectDraw* CreateDisplay() {
    IDirectDraw* display = nullptr;
    EXPECT_EQ(DD_OK, DirectDrawCreate(nullptr, &display, nullptr));
    return display;
  }

  // The show's opening at one depth with a chain of the given length; fails the test on the way.
  void OpenShow(DWORD depth = 32, DWORD backBuffers = 2) {
    display = CreateDisplay();
    ASSERT_NE(nullptr, display);
    window = MakeWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(DD_OK, display->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE));
    ASSERT_EQ(DD_OK, display->SetDisplayMode(320, 240, depth));
    DDSURFACEDESC description = ChainDescription(backBuffers);
    ASSERT_EQ(DD_OK, display->CreateSurface(&description, &primary, nullptr));
    DDSCAPS caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    ASSERT_EQ(DD_OK, primary->GetAttachedSurface(&caps, &back));
  }

  // Locks the back surface, fails the test if it can't.
  DDSURFACEDESC LockBack() {
    DDSURFACEDESC lock = EmptyDescription();
    EXPECT_EQ(DD_OK, back->Lock(nullptr, &lock, DDLOCK_WAIT, nullptr));
    return lock;
  }

  // The primary's pixel format, asked as the show asks; fails the test if it can't be read.
  DDPIXELFORMAT PrimaryFormat() {
    DDPIXELFORMAT format;
    std::memset(&format, 0, sizeof format);
    format.dwSize = sizeof format;
    EXPECT_EQ(DD_OK, primary->GetPixelFormat(&format));
    return format;
  }

  // Fills the whole back surface with one byte and flips it to the screen.
  void FlipFilled(std::uint8_t value) {
    DDSURFACEDESC lock = LockBack();
    for (DWORD row = 0; row < lock.dwHeight; row++)
      std::memset(static_cast<std::uint8_t*>(lock.lpSurface) + row * lock.lPitch, value,
                  lock.dwWidth * lock.ddpfPixelFormat.dwRGBBitCount / 8);
    EXPECT_EQ(DD_OK, back->Unlock(lock.lpSurface));
    EXPECT_EQ(DD_OK, primary->Flip(nullptr, DDFLIP_WAIT));
  }

  // Messages of one kind that reached the procedure, as (wParam, sent) pairs.
  static std::vector<std::pair<WPARAM, bool>> Delivered(UINT message) {
    std::vector<std::pair<WPARAM, bool>> found;
    for (const platform::WindowMessage& delivered : platform::DeliveredMessages())
      if (delivered.message == message) found.emplace_back(delivered.wParam, delivered.sent);
    return found;
  }

  // Takes and dispatches every message for the window, as the show's pump does.
  void Pump() {
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  IDirectDraw* display = nullptr;
  HWND window = nullptr;
  IDirectDrawSurface* primary = nullptr;
  IDirectDrawSurface* back = nullptr;
};

}  // namespace displaytest
