// Frame presentation: keep the window responsive, then convert the frame into the back surface
// and flip it to the screen.
#include <cstring>

#include "display/display.h"

int PresentFrame(FrameBuffer frame) {
  // Only the show window's messages: anything else queued on the thread is left for its owner.
  MSG message;
  while (PeekMessageA(&message, displayState.window, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  if (!appActive) {
    Sleep(1);
    return 1;
  }

  // Surfaces lose their memory while another application has the screen; restoring a surface
  // that wasn't lost is harmless, so it is done on every drawn pass.
  displayState.primary->Restore();

  DDSURFACEDESC lockDescription;
  std::memset(&lockDescription, 0, sizeof lockDescription);
  lockDescription.dwSize = sizeof lockDescription;
  if (displayState.back->Lock(nullptr, &lockDescription, DDLOCK_WAIT, nullptr) < 0) return 0;

  const FramePixel* sourceRow = frame;
  std::uint8_t* destinationRow = static_cast<std::uint8_t*>(lockDescription.lpSurface);
  for (std::int32_t row = 0; row < displayState.height; row++) {
    displayState.converter(sourceRow, destinationRow, static_cast<std::uint32_t>(displayState.width));
    sourceRow += displayState.width;
    destinationRow += lockDescription.lPitch;
  }

  displayState.back->Unlock(lockDescription.lpSurface);
  displayState.primary->Flip(nullptr, DDFLIP_WAIT);
  Sleep(0);
  return 1;
}
