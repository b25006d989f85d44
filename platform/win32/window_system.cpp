#include "platform/win32/window_system.h"

#include <deque>
#include <map>
#include <memory>

#include "platform/host/hooks.h"
#include "platform/host/keys.h"
#include "platform/win32/hooks.h"

namespace platform {
namespace win32 {

namespace {

const std::uintptr_t kWindowHandleStep = 0x10;

std::uintptr_t Key(HWND handle) { return reinterpret_cast<std::uintptr_t>(handle); }

void TellDelivery(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool sent) {
  if (hooks.delivered) hooks.delivered(WindowMessage{window, message, wParam, lParam, sent});
}

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG made;
  made.hwnd = window;
  made.message = message;
  made.wParam = wParam;
  made.lParam = lParam;
  made.time = host::hooks.ticks();  // the system's stamp, not a reading by the program
  made.pt.x = 0;
  made.pt.y = 0;
  return made;
}

bool Waiting(const std::deque<MSG>& messages, HWND window, UINT message) {
  for (const MSG& waiting : messages)
    if (waiting.hwnd == window && waiting.message == message) return true;
  return false;
}

// Sent from outside the program's thread: waits for the thread's next PeekMessageA.
void SendFromOutside(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State().sentWaiting.push_back(MakeMessage(window, message, wParam, lParam));
}

void Deliver(HWND window, UINT message, WPARAM wParam, Delivery delivery) {
  if (delivery == Delivery::kNow)
    SendToWindow(window, message, wParam, 0);
  else
    SendFromOutside(window, message, wParam, 0);
}

// WM_SETCURSOR's lParam for the pointer over the window's client area as it moves.
LPARAM PointerOverClient() { return static_cast<LPARAM>(HTCLIENT | (WM_MOUSEMOVE << 16)); }

HWND WindowOfReal(host::HostWindow real) {
  if (real == 0) return nullptr;
  for (auto& entry : State().windows)
    if (entry.second->real == real) return entry.second->handle;
  return nullptr;
}

void TranslateKey(const host::HostEvent& key) {
  HWND window = WindowOfReal(key.window);
  if (!window) window = FocusWindow();
  if (!window) return;
  // Modifiers pressed before the window had the keyboard are known to the desktop only.
  bool* pressed = State().pressed;
  if (key.virtualKey != VK_MENU) pressed[VK_MENU] = key.alt;
  if (key.virtualKey != VK_CONTROL) pressed[VK_CONTROL] = key.ctrl;
  if (key.virtualKey != VK_SHIFT) pressed[VK_SHIFT] = key.shift;
  PressKey(window, key.virtualKey, key.kind == host::HostEvent::kKeyDown, key.extended);
}

void TranslateDesktopEvent(const host::HostEvent& event) {
  HWND window = WindowOfReal(event.window);
  switch (event.kind) {
    case host::HostEvent::kKeyDown:
    case host::HostEvent::kKeyUp:
      TranslateKey(event);
      return;
    case host::HostEvent::kPointerMoved:
      if (window) PointerMovedOver(window);
      return;
    case host::HostEvent::kFocusGained:
      if (window) ActivateApplication(window, Delivery::kWhenRetrieved);
      return;
    case host::HostEvent::kFocusLost:
      if (window && State().active == window) DeactivateApplication(Delivery::kWhenRetrieved);
      return;
    case host::HostEvent::kCloseRequest:
      // The desktop asking the program to end: the main window hears it as a close.
      if (!event.window) window = FocusWindow();
      if (window) PostCloseRequest(window);
      return;
  }
}

}  // namespace

WindowSystem& State() {
  static WindowSystem state;
  return state;
}

Window* WindowRecord(HWND handle) {
  auto found = State().windows.find(Key(handle));
  return found == State().windows.end() ? nullptr : found->second.get();
}

HWND AddWindow(const Window& window) {
  WindowSystem& state = State();
  HWND handle = reinterpret_cast<HWND>(state.nextHandle);
  state.nextHandle += kWindowHandleStep;
  std::unique_ptr<Window> added(new Window(window));
  added->handle = handle;
  state.windows[Key(handle)] = std::move(added);
  return handle;
}

void RemoveWindow(HWND handle) {
  WindowSystem& state = State();
  auto found = state.windows.find(Key(handle));
  if (found == state.windows.end()) return;
  for (std::deque<MSG>* messages : {&state.queue, &state.sentWaiting})
    for (auto waiting = messages->begin(); waiting != messages->end();)
      waiting = waiting->hwnd == handle ? messages->erase(waiting) : waiting + 1;
  if (state.active == handle) state.active = nullptr;
  host::DestroyRealWindow(found->second->real);
  state.windows.erase(found);
  if (state.windows.empty()) host::StopVideo();
}

HWND NewestWindow() {
  const auto& windows = State().windows;
  return windows.empty() ? nullptr : windows.rbegin()->second->handle;
}

HWND FocusWindow() { return State().active ? State().active : NewestWindow(); }

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool sent) {
  Window* target = WindowRecord(window);
  if (!target || !target->procedure) return 0;
  WNDPROC procedure = target->procedure;
  TellDelivery(window, message, wParam, lParam, sent);
  return procedure(window, message, wParam, lParam);
}

void DeliverSentMessages() {
  // A procedure may send or destroy in turn: take one message at a time.
  std::deque<MSG>& waiting = State().sentWaiting;
  while (!waiting.empty()) {
    const MSG message = waiting.front();
    waiting.pop_front();
    SendToWindow(message.hwnd, message.message, message.wParam, message.lParam);
  }
}

void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State().queue.push_back(MakeMessage(window, message, wParam, lParam));
}

void PostToFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State().queue.push_front(MakeMessage(window, message, wParam, lParam));
}

void SendPointerOver(HWND window) {
  SendToWindow(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), PointerOverClient());
}

void PointerMovedOver(HWND window) {
  if (Waiting(State().sentWaiting, window, WM_SETCURSOR)) return;
  SendFromOutside(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), PointerOverClient());
}

void PostCloseRequest(HWND window) {
  if (!Waiting(State().queue, window, WM_CLOSE)) PostToQueue(window, WM_CLOSE, 0, 0);
}

void PressKey(HWND window, unsigned virtualKey, bool down, bool extended) {
  bool* pressed = State().pressed;
  const unsigned key = virtualKey & 0xFF;
  const bool wasDown = pressed[key];
  pressed[key] = down;
  const bool altHeld = pressed[VK_MENU];
  // Alt with Ctrl is how some keyboards type characters: those are ordinary keys.
  const bool system = key == VK_F10 || (!pressed[VK_CONTROL] && (altHeld || key == VK_MENU));
  std::uint32_t bits = 1 | host::ScanCodeFor(key) << 16;
  if (extended) bits |= 1u << 24;
  if (altHeld) bits |= 1u << 29;
  if (wasDown || !down) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  PostToQueue(window, message, virtualKey, static_cast<LPARAM>(bits));
}

HWND ActiveWindow() { return State().active; }

void ActivateApplication(HWND window, Delivery delivery) {
  WindowSystem& state = State();
  if (!WindowRecord(window) || state.active == window) return;
  const bool wasActive = state.active != nullptr;
  state.active = window;
  // Moving between the program's own windows doesn't change the application's activation.
  if (wasActive) return;
  if (state.listener) state.listener(true);
  Deliver(window, WM_ACTIVATEAPP, 1, delivery);
}

void DeactivateApplication(Delivery delivery) {
  WindowSystem& state = State();
  if (!state.active) return;
  HWND window = state.active;
  state.active = nullptr;
  if (state.listener) state.listener(false);
  Deliver(window, WM_ACTIVATEAPP, 0, delivery);
}

void SetActivationListener(ActivationListener listener) { State().listener = listener; }

host::HostWindow RealWindow(HWND handle) {
  Window* window = WindowRecord(handle);
  if (!window) return 0;
  if (!window->real)
    window->real = host::CreateRealWindow(window->title.c_str(), window->width, window->height,
                                         (window->style & WS_VISIBLE) != 0);
  return window->real;
}

void PumpDesktopEvents() {
  host::HostEvent event;
  while (host::NextEvent(&event)) TranslateDesktopEvent(event);
}

}  // namespace win32
}  // namespace platform
