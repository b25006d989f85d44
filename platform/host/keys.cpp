#include "platform/host/keys.h"

#include <SDL.h>

namespace platform {
namespace host {
namespace {

// The window system's numbers for the keys named here.
enum : unsigned {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
  VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_NUMPAD0 = 0x60, VK_F1 = 0x70,
};

}  // namespace


unsigned VirtualKeyFor(int key) {
  // Letters and digits: the codes are the upper-case letter and the digit themselves.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

unsigned ScanCodeFor(unsigned virtualKey) {
  // The rows of the main block, left to right.
  static const char kDigitRow[] = "1234567890";  // 0x02..0x0B
  static const char kTopRow[] = "QWERTYUIOP";    // 0x10..0x19
  static const char kHomeRow[] = "ASDFGHJKL";    // 0x1E..0x26
  static const char kBottomRow[] = "ZXCVBNM";    // 0x2C..0x32
  const struct {
    const char* keys;
    unsigned first;
  } rows[] = {{kDigitRow, 0x02}, {kTopRow, 0x10}, {kHomeRow, 0x1E}, {kBottomRow, 0x2C}};
  for (const auto& row : rows)
    for (unsigned index = 0; row.keys[index]; index++)
      if (static_cast<unsigned>(row.keys[index]) == virtualKey) return row.first + index;
  if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 10) return 0x3B + (virtualKey - VK_F1);
  if (virtualKey == VK_F1 + 10) return 0x57;  // F11
  if (virtualKey == VK_F1 + 11) return 0x58;  // F12
  // The keypad's digits share their keys with the extended block's arrows and the six above.
  static const unsigned kKeypad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD0 + 9) return kKeypad[virtualKey - VK_NUMPAD0];
  switch (virtualKey) {
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: return 0x1D;
    case VK_SHIFT: return 0x2A;
    case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_HOME: return 0x47;
    case VK_UP: return 0x48;
    case VK_PRIOR: return 0x49;
    case VK_LEFT: return 0x4B;
    case VK_RIGHT: return 0x4D;
    case VK_END: return 0x4F;
    case VK_DOWN: return 0x50;
    case VK_NEXT: return 0x51;
    case VK_INSERT: return 0x52;
    case VK_DELETE: return 0x53;
    default: return 0;
  }
}

bool ExtendedKey(int key) {
  switch (static_cast<SDL_Scancode>(key)) {
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_RCTRL:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_KP_DIVIDE:
    case SDL_SCANCODE_INSERT:
    case SDL_SCANCODE_DELETE:
    case SDL_SCANCODE_HOME:
    case SDL_SCANCODE_END:
    case SDL_SCANCODE_PAGEUP:
    case SDL_SCANCODE_PAGEDOWN:
    case SDL_SCANCODE_LEFT:
    case SDL_SCANCODE_RIGHT:
    case SDL_SCANCODE_UP:
    case SDL_SCANCODE_DOWN:
      return true;
    default:
      return false;
  }
}

}  // namespace host
}  // namespace platform
