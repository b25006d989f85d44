// The window-system stand-ins: classes and windows, the synchronous messages of creation and
// destruction, the message queue's filters and order, the desktop's events as messages, the
// cursor, and the run-time library.
#include <SDL.h>

#include "platform/sdl/keys.h"
#include "tests/platform/display_fixture.h"

namespace displaytest {

Creation creation;

namespace {

using platform::DeliveredMessages;
using platform::JournalEntries;
using platform::QueuedMessages;

HWND const kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

class WindowSystemTest : public DisplayTest {};

TEST_F(WindowSystemTest, CreationAndDestructionReachTheProcedureBeforeTheCallsReturn) {
  window = MakeWindow();
  ASSERT_NE(nullptr, window);
  std::vector<platform::WindowMessage> delivered = DeliveredMessages();
  ASSERT_EQ(2u, delivered.size());
  EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), delivered[0].message);
  EXPECT_EQ(static_cast<UINT>(WM_CREATE), delivered[1].message);
  EXPECT_TRUE(delivered[1].sent);
  const CREATESTRUCTA* creation = reinterpret_cast<const CREATESTRUCTA*>(delivered[1].lParam);
  ASSERT_NE(nullptr, creation);  // only its address is kept; it was valid during the call
  EXPECT_EQ(1, platform::WindowCount());

  platform::ClearDeliveredMessages();
  EXPECT_TRUE(DestroyWindow(window));
  delivered = DeliveredMessages();
  ASSERT_EQ(2u, delivered.size());
  EXPECT_EQ(static_cast<UINT>(WM_DESTROY), delivered[0].message);
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), delivered[1].message);
  EXPECT_EQ(0, platform::WindowCount());
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ((std::vector<std::string>{"RegisterClassA Quenthor", "CreateWindowExA",
                                      "DefWindowProcA 0x81", "DestroyWindow",
                                      "DefWindowProcA 0x2", "DefWindowProcA 0x82",
                                      "DestroyWindow -> 0"}),
            JournalEntries());
}

TEST_F(WindowSystemTest, ClassesAreUniqueAndAProcedureCanRefuseItsWindow) {
  window = MakeWindow("Quenthor");
  WNDCLASSA again;
  std::memset(&again, 0, sizeof again);
  again.lpfnWndProc = ShowProcedure;
  again.lpszClassName = "QUENTHOR";  // class names ignore case
  EXPECT_EQ(0, RegisterClassA(&again));
  again.lpszClassName = "NoProcedure";
  again.lpfnWndProc = nullptr;
  EXPECT_EQ(0, RegisterClassA(&again));
  EXPECT_EQ(nullptr, CreateWindowExA(0, "Unknown", "x", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     nullptr, nullptr));

  creation.result = -1;
  EXPECT_EQ(nullptr, CreateWindowExA(0, "quenthor", "x", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     nullptr, nullptr));
  EXPECT_EQ(1, platform::WindowCount());
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), DeliveredMessages().back().message);
}

TEST_F(WindowSystemTest, PeekTakesOnlyTheWindowsMessagesInOrderAndNeverWaits) {
  window = MakeWindow();
  HWND other = platform::OtherWindowHandle();
  platform::PostMessageTo(nullptr, WM_USER + 1, 1, 0);  // thread message
  platform::InjectKeyDown('A');
  platform::PostMessageTo(other, WM_USER + 2, 2, 0);
  platform::InjectKeyDown(VK_RETURN);
  platform::InjectCloseRequest();
  platform::PostMessageTo(nullptr, WM_QUIT, 0, 0);

  MSG message;
  std::vector<UINT> taken;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
    EXPECT_EQ(window, message.hwnd);
    taken.push_back(message.message);
  }
  EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_CLOSE}), taken);

  // The thread's own messages, WM_QUIT included, and the other window's stay queued.
  std::vector<platform::WindowMessage> left = QueuedMessages();
  ASSERT_EQ(3u, left.size());
  EXPECT_EQ(static_cast<UINT>(WM_USER + 1), left[0].message);
  EXPECT_EQ(other, left[1].window);
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), left[2].message);

  // Without removal the message stays; a range picks; -1 takes thread messages only.
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 1), message.message);
  EXPECT_EQ(3u, QueuedMessages().size());
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(other, message.hwnd);
  ASSERT_TRUE(PeekMessageA(&message, kThreadOnly, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 1), message.message);
  ASSERT_TRUE(PeekMessageA(&message, kThreadOnly, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);  // WM_QUIT ignores the range
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowSystemTest, DispatchRunsTheProcedureAndTranslateAddsCharactersNext) {
  window = MakeWindow();
  platform::InjectKeyDown('A');
  platform::InjectKeyDown(VK_ESCAPE);
  platform::InjectKeyDown(VK_LEFT);  // no character
  platform::ClearDeliveredMessages();
  Pump();
  EXPECT_EQ(1, quitRequested);
  std::vector<platform::WindowMessage> delivered = DeliveredMessages();
  std::vector<std::pair<UINT, WPARAM>> order;
  for (const platform::WindowMessage& message : delivered) {
    EXPECT_FALSE(message.sent);
    order.emplace_back(message.message, message.wParam);
  }
  EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'A'},
                                                 {WM_CHAR, 'a'},
                                                 {WM_KEYDOWN, VK_ESCAPE},
                                                 {WM_CHAR, VK_ESCAPE},
                                                 {WM_KEYDOWN, VK_LEFT}}),
            order);

  // Shift held, as the key messages taken so far say, makes capitals.
  platform::InjectKeyDown(VK_SHIFT);
  platform::InjectKeyDown('Q');
  platform::ClearDeliveredMessages();
  Pump();
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{'Q', false}}), Delivered(WM_CHAR));
  MSG thread{nullptr, WM_USER, 0, 0, 0, {0, 0}};
  EXPECT_EQ(0, DispatchMessageA(&thread));
}

TEST_F(WindowSystemTest, DestroyingAWindowDropsItsQueuedMessages) {
  window = MakeWindow();
  HWND second = CreateWindowExA(0, "Quenthor", "second", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
  platform::PostMessageTo(window, WM_USER, 0, 0);
  platform::PostMessageTo(second, WM_USER, 0, 0);
  EXPECT_TRUE(DestroyWindow(window));
  std::vector<platform::WindowMessage> left = QueuedMessages();
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ(second, left[0].window);
  // The default procedure destroys a window asked to close.
  EXPECT_EQ(0, DefWindowProcA(second, WM_CLOSE, 0, 0));
  EXPECT_EQ(0, platform::WindowCount());
  EXPECT_TRUE(QueuedMessages().empty());
}

TEST_F(WindowSystemTest, NullCursorHidesThePointerAndGivesBackThePrevious) {
  window = MakeWindow();
  EXPECT_FALSE(platform::PointerHidden());
  platform::InjectPointerOver();
  platform::InjectPointerOver();  // the pointer's moves collapse into one message
  platform::ClearDeliveredMessages();
  Pump();
  ASSERT_EQ(1u, Delivered(WM_SETCURSOR).size());
  EXPECT_EQ(reinterpret_cast<WPARAM>(window), Delivered(WM_SETCURSOR)[0].first);
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_EQ(1u, platform::JournalEntriesStartingWith("SetCursor null").size());
  HCURSOR previous = SetCursor(reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x1234)));
  EXPECT_EQ(nullptr, previous);
  EXPECT_FALSE(platform::PointerHidden());
}

// The desktop's events, as SDL reports them, arrive as the window system's messages.
TEST_F(WindowSystemTest, DesktopEventsBecomeMessages) {
  RegisterShowClass("Quenthor");
  window = CreateWindowExA(0, "Quenthor", "shown", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr,
                           nullptr, nullptr, nullptr);
  const Uint32 id = platform::DesktopWindowId(window);
  ASSERT_NE(0u, id);
  while (QueuedMessages().size()) {  // whatever the driver said on showing the window
    MSG drop;
    PeekMessageA(&drop, nullptr, 0, 0, PM_REMOVE);
  }

  auto push = [](SDL_Event event) { ASSERT_EQ(1, SDL_PushEvent(&event)); };
  auto key = [&](SDL_Keycode code, Uint32 type) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = id;
    event.key.keysym.sym = code;
    push(event);
  };
  auto windowEvent = [&](Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = id;
    event.window.event = what;
    push(event);
  };
  key(SDLK_ESCAPE, SDL_KEYDOWN);
  key(SDLK_RETURN, SDL_KEYDOWN);
  key(SDLK_SPACE, SDL_KEYDOWN);
  key(SDLK_q, SDL_KEYDOWN);
  key(SDLK_7, SDL_KEYDOWN);
  key(SDLK_UP, SDL_KEYDOWN);
  key(SDLK_UP, SDL_KEYUP);
  key(SDLK_CAPSLOCK, SDL_KEYDOWN);  // not reported
  windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  windowEvent(SDL_WINDOWEVENT_CLOSE);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);  // the same request again: one WM_CLOSE
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.windowID = id;
  push(motion);

  std::vector<std::pair<UINT, WPARAM>> taken;
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE))
    taken.emplace_back(message.message, message.wParam);
  EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_ESCAPE},
                                                 {WM_KEYDOWN, VK_RETURN},
                                                 {WM_KEYDOWN, VK_SPACE},
                                                 {WM_KEYDOWN, 'Q'},
                                                 {WM_KEYDOWN, '7'},
                                                 {WM_KEYDOWN, VK_UP},
                                                 {WM_KEYUP, VK_UP},
                                                 {WM_ACTIVATEAPP, 1},
                                                 {WM_ACTIVATEAPP, 0},
                                                 {WM_CLOSE, 0},
                                                 {WM_SETCURSOR, reinterpret_cast<WPARAM>(window)}}),
            taken);
  EXPECT_FALSE(platform::ApplicationActive());
}

TEST(VirtualKeys, TheDesktopsKeysGetTheSystemsCodes) {
  using platform::sdl::VirtualKeyFor;
  EXPECT_EQ(0x1Bu, VirtualKeyFor(SDLK_ESCAPE));
  EXPECT_EQ(0x0Du, VirtualKeyFor(SDLK_RETURN));
  EXPECT_EQ(0x0Du, VirtualKeyFor(SDLK_KP_ENTER));
  EXPECT_EQ(0x20u, VirtualKeyFor(SDLK_SPACE));
  EXPECT_EQ(static_cast<unsigned>('A'), VirtualKeyFor(SDLK_a));
  EXPECT_EQ(static_cast<unsigned>('Z'), VirtualKeyFor(SDLK_z));
  EXPECT_EQ(static_cast<unsigned>('0'), VirtualKeyFor(SDLK_0));
  EXPECT_EQ(static_cast<unsigned>('9'), VirtualKeyFor(SDLK_9));
  EXPECT_EQ(0x25u, VirtualKeyFor(SDLK_LEFT));
  EXPECT_EQ(0x26u, VirtualKeyFor(SDLK_UP));
  EXPECT_EQ(0x27u, VirtualKeyFor(SDLK_RIGHT));
  EXPECT_EQ(0x28u, VirtualKeyFor(SDLK_DOWN));
  EXPECT_EQ(0x70u, VirtualKeyFor(SDLK_F1));
  EXPECT_EQ(0x7Bu, VirtualKeyFor(SDLK_F12));
  EXPECT_EQ(0x60u, VirtualKeyFor(SDLK_KP_0));
  EXPECT_EQ(0x69u, VirtualKeyFor(SDLK_KP_9));
  EXPECT_EQ(0u, VirtualKeyFor(SDLK_CAPSLOCK));
}

TEST_F(WindowSystemTest, OnlyDirectDrawIsThereToLoad) {
  HMODULE library = LoadLibraryA("DDRAW.DLL");
  ASSERT_NE(nullptr, library);
  EXPECT_EQ(library, LoadLibraryA("C:\\Windows\\System32\\ddraw.dll"));
  EXPECT_EQ(nullptr, LoadLibraryA("d3d9.dll"));
  EXPECT_NE(nullptr, GetProcAddress(library, "DirectDrawCreate"));
  EXPECT_EQ(nullptr, GetProcAddress(library, "DirectDrawCreateEx"));
  EXPECT_EQ(nullptr, GetProcAddress(library, reinterpret_cast<LPCSTR>(1)));
  EXPECT_EQ(1, platform::LoadedLibraryCount());
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_EQ(1, platform::LoadedLibraryCount());  // loaded twice, freed once
  EXPECT_TRUE(FreeLibrary(library));
  EXPECT_EQ(0, platform::LoadedLibraryCount());
  EXPECT_EQ(nullptr, GetProcAddress(library, "DirectDrawCreate"));
  EXPECT_FALSE(FreeLibrary(library));

  platform::DisplayProfile profile = platform::DefaultDisplayProfile();
  profile.entryMissing = true;
  platform::SetDisplayProfile(profile);
  library = LoadLibraryA("ddraw.dll");
  EXPECT_EQ(nullptr, GetProcAddress(library, "DirectDrawCreate"));
  profile.libraryMissing = true;
  platform::SetDisplayProfile(profile);
  EXPECT_EQ(nullptr, LoadLibraryA("ddraw.dll"));
  EXPECT_EQ("LoadLibraryA ddraw.dll -> null", JournalEntries().back());
}

}  // namespace
}  // namespace displaytest
