// How the show's screen meets the desktop, as a person picks it (video.h): the same choices on a
// desktop and in a page, which sets gentle viewing from its button.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/gentle.h"
#include "platform/host/video.h"

namespace platform {
namespace host {

namespace {

// A choice of 1 or 0 from the environment; what else it holds is named with what happens instead.
bool Chosen(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  if (!value || !*value || std::strcmp(value, "0") == 0) return false;
  if (std::strcmp(value, "1") == 0) return true;
  std::fprintf(stderr, "Quenthor: %s=%s is neither 1 nor 0; %s\n", name, value, otherwise);
  return false;
}

}  // namespace

VideoChoices VideoChoicesFromEnvironment() {
  VideoChoices chosen;
  chosen.window = Chosen("QUENTHOR_DISPLAY_WINDOW", "the show covers the whole desktop");
  chosen.gentle = GentleAskedBy(std::getenv("QUENTHOR_DISPLAY_GENTLE")) == GentleAsked::kYes;
  return chosen;
}

}  // namespace host
}  // namespace platform
