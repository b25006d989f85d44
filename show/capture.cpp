// The capture program: the show as it is, over the host's capture driver, which turns every
// refresh and its sound into a video (quenthor-capture --help).
#include "platform/capture_api.h"
#include "show/show.h"

int main(int argc, char** argv) {
  const int status = platform::CaptureFromArguments(argc, argv);
  if (status >= 0) return status;
  return RunShow();
}
