// The scan codes of the window system's keys and which of them are extended, for both drivers;
// the SDL2 desktop's own key names are sdl/keys.cpp's.
#include "platform/host/keys.h"

#include "platform/host/virtual_keys.h"

namespace platform {
namespace host {

using namespace virtual_keys;

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

bool ExtendedKey(unsigned virtualKey, KeyPlace place) {
  switch (virtualKey) {
    case VK_MENU:
    case VK_CONTROL: return place == KeyPlace::kRight;
    case VK_RETURN: return place == KeyPlace::kNumpad;
    case VK_DIVIDE: return true;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE: return place != KeyPlace::kNumpad;
    default: return false;
  }
}

}  // namespace host
}  // namespace platform
