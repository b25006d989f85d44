// Makes the suite's Wine prefix ready before its tests run (ctest's fixture), so that the one
// slow step is a step of its own and no test's time limit pays for it.
#include <cstdio>

#include "tests/wine/wine_session.h"

int main() {
  WinePrefix prefix;
  if (!prefix.Ready()) {
    std::fprintf(stderr, "%s\n", prefix.Error().c_str());
    return 1;
  }
  return 0;
}
