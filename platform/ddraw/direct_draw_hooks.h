// Where the DirectDraw stand-in can be steered from outside. The defaults are a real run's.
#pragma once
#include "platform/ddraw/ddraw_declarations.h"

namespace platform {
namespace ddraw {

struct DirectDrawHooks {
  // Asked by every Lock that passed its own checks: DD_OK lets it lock, anything else is the
  // lock's result. Null: every such lock succeeds.
  HRESULT (*lockRefusal)() = nullptr;
};
extern DirectDrawHooks directDrawHooks;

}  // namespace ddraw
}  // namespace platform
