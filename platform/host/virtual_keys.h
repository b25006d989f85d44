// The window system's numbers (virtual-key codes) for the keys the host names, for keys.cpp,
// sdl/keys.cpp and the capture's Escape (capture/capture.cpp) only.
#pragma once

namespace platform {
namespace host {
namespace virtual_keys {

enum : unsigned {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
  VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_NUMPAD0 = 0x60, VK_DIVIDE = 0x6F, VK_F1 = 0x70,
};

}  // namespace virtual_keys
}  // namespace host
}  // namespace platform
