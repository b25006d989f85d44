// The window-system stand-ins: classes and windows, the synchronous messages of creation and
// destruction, the message queue's filters and order, the desktop's events as messages, the
// cursor, and the run-time library.
#include <SDL.h>

#include <cstdint>
#include <tuple>

#include "platform/host/keys.h"
#include "tests/platform/display_fixture.h"

namespace displaytest {

Creation creation;

namespace {

using platform::DeliveredMessages;
using platform::TraceLines;
using platform::QueuedMessages;

HWND const kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

class WindowSystemTest : public StandInsTest {};

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
  const std::string handle = platform::AddressAsTraced(window);
  EXPECT_EQ((std::vector<std::string>{
                ShowClassEntry(), ShowWindowEntry(),
                "DefWindowProcA 0x81", "DestroyWindow " + handle, "DefWindowProcA 0x2",
                "DefWindowProcA 0x82", "DestroyWindow " + handle + " -> 0"}),
            TraceLines());
}

// Every argument of a class and a window, as the trace records them.
TEST_F(WindowSystemTest, TheTraceRecordsEveryFieldOfTheClassAndEveryArgumentOfTheWindow) {
  WNDCLASSA full;
  full.style = 0x23;
  full.lpfnWndProc = ShowProcedure;
  full.cbClsExtra = 4;
  full.cbWndExtra = 8;
  full.hInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));
  full.hIcon = reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x10011));
  full.hCursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x10003));
  full.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(6));
  full.lpszMenuName = reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(101));
  full.lpszClassName = "Full";
  ATOM atom = RegisterClassA(&full);
  ASSERT_NE(0, atom);
  int creationData = 0;
  window = CreateWindowExA(0x8, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(atom)),
                           "Titled", WS_POPUP | WS_VISIBLE, -5, 7, 64, 48, nullptr, nullptr,
                           full.hInstance, &creationData);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(nullptr, CreateWindowExA(0, "Nothing", nullptr, 0, 1, 2, 3, 4, window, nullptr,
                                     nullptr, nullptr));
  const std::vector<std::string> trace = TraceLines();
  ASSERT_EQ(4u, trace.size());
  EXPECT_EQ("RegisterClassA {style 0x23, lpfnWndProc " +
                platform::AddressAsTraced(reinterpret_cast<const void*>(ShowProcedure)) +
                ", cbClsExtra 4, cbWndExtra 8, hInstance 0x400000, hIcon 0x10011, hCursor "
                "0x10003, hbrBackground 0x6, lpszMenuName #101, lpszClassName \"Full\"}",
            trace[0]);
  EXPECT_EQ("CreateWindowExA 0x8 #" + std::to_string(atom) +
                " \"Titled\" 0x90000000 -5 7 64 48 null null 0x400000 " +
                platform::AddressAsTraced(&creationData),
            trace[1]);
  EXPECT_EQ("CreateWindowExA 0x0 \"Nothing\" null 0x0 1 2 3 4 " +
                platform::AddressAsTraced(window) + " null null null -> null",
            trace[3]);
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
  platform::TraceClear();
  Pump();
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_EQ(1u, platform::TraceLinesStartingWith("SetCursor null").size());
  // Sent while PeekMessageA took the pointer's moves in, never taken from the queue.
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{reinterpret_cast<WPARAM>(window), true}}),
            Delivered(WM_SETCURSOR));
  EXPECT_EQ((std::vector<std::string>{"PeekMessageA " + platform::AddressAsTraced(window) +
                                      " 0x0 0x0 0x1"}),
            platform::TraceLinesStartingWith("PeekMessageA"));
  HCURSOR previous = SetCursor(reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x1234)));
  EXPECT_EQ(nullptr, previous);
  EXPECT_FALSE(platform::PointerHidden());
}

// The desktop's events, as SDL reports them, arrive as the window system's messages: keys and
// close requests through the queue; activation and the pointer's moves sent to the procedure
// inside PeekMessageA, never taken from the queue.
TEST_F(WindowSystemTest, DesktopEventsBecomeMessages) {
  RegisterShowClass("Quenthor");
  window = CreateWindowExA(0, "Quenthor", "shown", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, nullptr,
                           nullptr, nullptr, nullptr);
  const Uint32 id = platform::DesktopWindowId(window);
  ASSERT_NE(0u, id);
  MSG drop;
  while (PeekMessageA(&drop, nullptr, 0, 0, PM_REMOVE)) {  // whatever the driver said on showing
  }

  auto push = [](SDL_Event event) { ASSERT_EQ(1, SDL_PushEvent(&event)); };
  auto key = [&](SDL_Keycode code, SDL_Scancode scancode, Uint32 type, Uint16 modifiers = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = id;
    event.key.keysym.sym = code;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    push(event);
  };
  auto windowEvent = [&](Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = id;
    event.window.event = what;
    push(event);
  };
  key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, SDL_KEYDOWN);
  key(SDLK_RETURN, SDL_SCANCODE_RETURN, SDL_KEYDOWN);
  key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, SDL_KEYDOWN);  // the extended twin of Return
  key(SDLK_q, SDL_SCANCODE_Q, SDL_KEYDOWN);
  key(SDLK_UP, SDL_SCANCODE_UP, SDL_KEYDOWN);
  key(SDLK_UP, SDL_SCANCODE_UP, SDL_KEYDOWN);  // held: the keyboard repeats it
  key(SDLK_UP, SDL_SCANCODE_UP, SDL_KEYUP);
  key(SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, SDL_KEYDOWN);  // not reported
  // Alt went down before the window had the keyboard: the desktop's modifiers say it is held.
  key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, SDL_KEYUP, KMOD_LALT);
  key(SDLK_LALT, SDL_SCANCODE_LALT, SDL_KEYUP);
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
  push(motion);  // moves collapse: one WM_SETCURSOR

  platform::ClearDeliveredMessages();
  std::vector<std::tuple<UINT, WPARAM, std::uint32_t>> taken;
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE))
    taken.emplace_back(message.message, message.wParam, static_cast<std::uint32_t>(message.lParam));
  EXPECT_EQ((std::vector<std::tuple<UINT, WPARAM, std::uint32_t>>{
                {WM_KEYDOWN, VK_ESCAPE, 0x00010001u},
                {WM_KEYDOWN, VK_RETURN, 0x001C0001u},
                {WM_KEYDOWN, VK_RETURN, 0x411C0001u},  // extended; Return was down already
                {WM_KEYDOWN, 'Q', 0x00100001u},
                {WM_KEYDOWN, VK_UP, 0x01480001u},
                {WM_KEYDOWN, VK_UP, 0x41480001u},
                {WM_KEYUP, VK_UP, 0xC1480001u},
                {WM_SYSKEYUP, VK_ESCAPE, 0xE0010001u},
                {WM_SYSKEYUP, VK_MENU, 0xC0380001u},
                {WM_CLOSE, 0, 0u}}),
            taken);
  // Everything else was sent, in the order it happened, inside the first PeekMessageA.
  std::vector<std::tuple<UINT, WPARAM, bool>> sent;
  for (const platform::WindowMessage& delivered : DeliveredMessages())
    if (delivered.sent) sent.emplace_back(delivered.message, delivered.wParam, delivered.sent);
  EXPECT_EQ((std::vector<std::tuple<UINT, WPARAM, bool>>{
                {WM_ACTIVATEAPP, 1, true},
                {WM_ACTIVATEAPP, 0, true},
                {WM_SETCURSOR, reinterpret_cast<WPARAM>(window), true}}),
            sent);
  EXPECT_FALSE(platform::ApplicationActive());
  EXPECT_EQ(0, appActive);
}

// Key messages as the system makes them: the scan code in bits 16-23, the extended block in bit
// 24, Alt held in bit 29, the key's previous state in bit 30 and a release in bit 31; keys
// pressed or released with Alt held, Alt itself and F10 are the system's (WM_SYSKEYDOWN and
// WM_SYSKEYUP), and translate to WM_SYSCHAR.
TEST_F(WindowSystemTest, KeyMessagesCarryScanCodeStateAndTransition) {
  window = MakeWindow();
  struct Stroke {
    WPARAM key;
    bool down;
  };
  const Stroke strokes[] = {
      {VK_ESCAPE, true}, {VK_ESCAPE, true}, {VK_ESCAPE, false},  // held, then let go
      {VK_LEFT, true},   {VK_DELETE, false},                     // the extended block
      {VK_NUMPAD0 + 4, true},                                    // shares VK_LEFT's key
      {VK_MENU, true},   {VK_ESCAPE, true}, {'A', true},   {VK_ESCAPE, false},
      {VK_MENU, false},  {'A', false},      {VK_F10, true},  // F10 is the system's alone
      {VK_CONTROL, true}, {VK_MENU, true},  {'Q', true},     // Ctrl+Alt: an ordinary key
  };
  for (const Stroke& stroke : strokes)
    stroke.down ? platform::InjectKeyDown(stroke.key) : platform::InjectKeyUp(stroke.key);
  std::vector<std::tuple<UINT, WPARAM, std::uint32_t>> queued;
  for (const platform::WindowMessage& message : QueuedMessages())
    queued.emplace_back(message.message, message.wParam, static_cast<std::uint32_t>(message.lParam));
  EXPECT_EQ((std::vector<std::tuple<UINT, WPARAM, std::uint32_t>>{
                {WM_KEYDOWN, VK_ESCAPE, 0x00010001u},
                {WM_KEYDOWN, VK_ESCAPE, 0x40010001u},
                {WM_KEYUP, VK_ESCAPE, 0xC0010001u},
                {WM_KEYDOWN, VK_LEFT, 0x014B0001u},
                {WM_KEYUP, VK_DELETE, 0xC1530001u},
                {WM_KEYDOWN, VK_NUMPAD0 + 4, 0x004B0001u},
                {WM_SYSKEYDOWN, VK_MENU, 0x20380001u},
                {WM_SYSKEYDOWN, VK_ESCAPE, 0x20010001u},
                {WM_SYSKEYDOWN, 'A', 0x201E0001u},
                {WM_SYSKEYUP, VK_ESCAPE, 0xE0010001u},
                {WM_SYSKEYUP, VK_MENU, 0xC0380001u},
                {WM_KEYUP, 'A', 0xC01E0001u},
                {WM_SYSKEYDOWN, VK_F10, 0x00440001u},
                {WM_KEYDOWN, VK_CONTROL, 0x001D0001u},
                {WM_KEYDOWN, VK_MENU, 0x20380001u},
                {WM_KEYDOWN, 'Q', 0x20100001u}}),
            queued);

  // The show's procedure hears no Escape in the system's keys.
  platform::ClearDeliveredMessages();
  Pump();
  EXPECT_EQ(1, quitRequested);  // the first, plain Escape
  std::vector<std::pair<UINT, WPARAM>> characters;
  for (const platform::WindowMessage& message : DeliveredMessages())
    if (message.message == WM_CHAR || message.message == WM_SYSCHAR)
      characters.emplace_back(message.message, message.wParam);
  EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_CHAR, VK_ESCAPE},
                                                 {WM_CHAR, VK_ESCAPE},
                                                 {WM_CHAR, '4'},
                                                 {WM_SYSCHAR, VK_ESCAPE},
                                                 {WM_SYSCHAR, 'a'},
                                                 {WM_CHAR, 'q'}}),
            characters);
}

// What happens outside the program's thread and is sent to a window waits for the thread to ask
// for its messages; then the procedure hears it, whatever PeekMessageA was asked to take.
TEST_F(WindowSystemTest, MessagesSentFromOutsideReachTheProcedureInsideTheNextPeek) {
  window = MakeWindow();
  platform::InjectActivation(true);
  platform::InjectPointerOver();
  EXPECT_EQ(0, appActive);
  EXPECT_FALSE(platform::PointerHidden());
  EXPECT_TRUE(QueuedMessages().empty());
  MSG message;
  // Not for this window, not in this range, not removing: the sent messages arrive all the same.
  EXPECT_FALSE(PeekMessageA(&message, platform::OtherWindowHandle(), WM_USER, WM_USER,
                            PM_NOREMOVE));
  EXPECT_EQ(1, appActive);
  EXPECT_TRUE(platform::PointerHidden());
  EXPECT_EQ((std::vector<std::pair<WPARAM, bool>>{{1, true}}), Delivered(WM_ACTIVATEAPP));
  EXPECT_EQ(1u, Delivered(WM_SETCURSOR).size());
  EXPECT_FALSE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(1u, Delivered(WM_ACTIVATEAPP).size());  // once only

  // A window destroyed before its thread asked hears nothing more.
  platform::InjectActivation(false);
  platform::InjectActivation(true);
  ASSERT_TRUE(DestroyWindow(window));
  platform::ClearDeliveredMessages();
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(DeliveredMessages().empty());
}

TEST(VirtualKeys, EachKeyHasTheSystemsCodesAndIsExtendedWhereItSits) {
  using platform::host::KeyPlace;
  // The desktop's keys, by SDL's key code, get the window system's virtual-key codes.
  const std::pair<int, unsigned> desktop[] = {
      {SDLK_ESCAPE, 0x1B}, {SDLK_RETURN, 0x0D}, {SDLK_KP_ENTER, 0x0D}, {SDLK_SPACE, 0x20},
      {SDLK_a, 'A'},       {SDLK_z, 'Z'},       {SDLK_0, '0'},         {SDLK_9, '9'},
      {SDLK_LEFT, 0x25},   {SDLK_UP, 0x26},     {SDLK_RIGHT, 0x27},    {SDLK_DOWN, 0x28},
      {SDLK_F1, 0x70},     {SDLK_F12, 0x7B},    {SDLK_KP_0, 0x60},     {SDLK_KP_9, 0x69},
      {SDLK_CAPSLOCK, 0}};
  for (const auto& [key, code] : desktop)
    EXPECT_EQ(code, platform::host::VirtualKeyFor(key)) << "SDL key " << key;
  // Each virtual key's scan code, as a PC keyboard's controller reports it.
  const std::pair<unsigned, unsigned> scan[] = {
      {VK_ESCAPE, 0x01}, {'1', 0x02},          {'0', 0x0B},          {'Q', 0x10},
      {'P', 0x19},       {'A', 0x1E},          {'L', 0x26},          {'Z', 0x2C},
      {'M', 0x32},       {VK_RETURN, 0x1C},    {VK_SPACE, 0x39},     {VK_MENU, 0x38},
      {VK_F1, 0x3B},     {VK_F10, 0x44},       {VK_F1 + 10, 0x57},   {VK_F1 + 11, 0x58},
      {VK_UP, 0x48},     {VK_DOWN, 0x50},      {VK_NUMPAD0, 0x52},   {VK_NUMPAD0 + 9, 0x49},
      {0x14, 0}};  // caps lock: not a key the window system reports
  for (const auto& [key, code] : scan)
    EXPECT_EQ(code, platform::host::ScanCodeFor(key)) << "virtual key " << key;
  // Extended: by the key and where it sits, as either driver tells it (SDL's scan code, or
  // the page's DOM location).
  const struct {
    unsigned key;
    KeyPlace place;
    bool extended;
  } extended[] = {{VK_LEFT, KeyPlace::kMain, true},     {VK_INSERT, KeyPlace::kMain, true},
                  {0x24 /* Home */, KeyPlace::kNumpad, false},  {VK_NUMPAD0, KeyPlace::kNumpad, false},
                  {VK_RETURN, KeyPlace::kMain, false},  {VK_RETURN, KeyPlace::kNumpad, true},
                  {VK_MENU, KeyPlace::kRight, true},    {VK_MENU, KeyPlace::kLeft, false},
                  {VK_CONTROL, KeyPlace::kRight, true}, {0x6F /* divide */, KeyPlace::kNumpad, true},
                  {'A', KeyPlace::kMain, false}};
  for (const auto& row : extended)
    EXPECT_EQ(row.extended, platform::host::ExtendedKey(row.key, row.place)) << "key " << row.key;
  const std::pair<SDL_Scancode, KeyPlace> places[] = {
      {SDL_SCANCODE_KP_ENTER, KeyPlace::kNumpad}, {SDL_SCANCODE_KP_4, KeyPlace::kNumpad},
      {SDL_SCANCODE_RALT, KeyPlace::kRight},      {SDL_SCANCODE_LALT, KeyPlace::kLeft},
      {SDL_SCANCODE_HOME, KeyPlace::kMain}};
  for (const auto& [code, place] : places)
    EXPECT_EQ(place, platform::host::SdlKeyPlace(code)) << "SDL scan code " << code;
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

  platform::DisplayFaults faults;
  faults.entryMissing = true;
  platform::SetDisplayFaults(faults);
  library = LoadLibraryA("ddraw.dll");
  EXPECT_EQ(nullptr, GetProcAddress(library, "DirectDrawCreate"));
  faults.libraryMissing = true;
  platform::SetDisplayFaults(faults);
  EXPECT_EQ(nullptr, LoadLibraryA("ddraw.dll"));
  EXPECT_EQ("LoadLibraryA ddraw.dll -> null", TraceLines().back());
}

}  // namespace
}  // namespace displaytest
