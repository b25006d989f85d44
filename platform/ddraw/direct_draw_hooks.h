// Where the DirectDraw stand-in can be steered from outside. The defaults are a real run's.
#pragma once
#include "platform/ddraw/ddraw_declarations.h"

namespace platform {
namespace ddraw {

struct DirectDrawHooks {
  // Whether the screen refreshes in real time, so that waiting for a blank (a waiting flip or
  // lock meeting a pending flip, WaitForVerticalBlank) takes real time. Off while time is
  // steered from outside: the tick counter stands still between the test's moves, and so must
  // the screen, whose refresh then follows the steered counter and whose awaited blanks come at
  // once.
  bool waitForRealBlanks = true;
  // Asked by every Lock that passed its own checks: DD_OK lets it lock, anything else is the
  // lock's result. Null: every such lock succeeds.
  HRESULT (*lockRefusal)() = nullptr;
};
extern DirectDrawHooks directDrawHooks;

}  // namespace ddraw
}  // namespace platform
