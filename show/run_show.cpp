#include <cstdlib>
#include <cstring>

#include "display/display.h"
#include "music/music.h"
#include "platform/fmod_api.h"
#include "platform/win32_api.h"
#include "show/show.h"

namespace {

// Zeroed, so an image whose file is missing shows black.
FrameBuffer AllocateFrameBuffer() {
  return static_cast<FrameBuffer>(std::calloc(kFramePixels, sizeof(FramePixel)));
}

}  // namespace

int RunShow() {
  FrameBuffer frame = AllocateFrameBuffer();
  FrameBuffer image1 = AllocateFrameBuffer();
  FrameBuffer image2 = AllocateFrameBuffer();
  FrameBuffer image3 = AllocateFrameBuffer();

  if (image1) LoadRawImage("min.raw", image1);
  if (image2) LoadRawImage("min2.raw", image2);
  if (image3) LoadRawImage("min3.raw", image3);

  // A missing image buffer is as fatal as a missing frame: the show would copy from it.
  if (!frame || !image1 || !image2 || !image3) {
    MessageBoxA(nullptr, "Surface not created", "Error", MB_OK);
    return 1;
  }

  if (!OpenDisplay("Quenthor", kShowWidth, kShowHeight)) return 1;

  std::memset(frame, 0, kFrameBytes);

  FMUSIC_MODULE* song = StartMusic();
  if (!song) ReportSoundError();

  const DWORD showStart = GetTickCount();
  DWORD lastChange = showStart;
  int whiteNext = 1;
  FrameBuffer currentImage = image1;
  FMUSIC_PlaySong(song);

  while (!quitRequested) {
    const DWORD strobeTick = GetTickCount();
    const DWORD elapsed = GetTickCount() - showStart;

    // Three separate strict tests: at exactly 4000 or 8000 ms the previous choice stays.
    if (elapsed < kSecondImageMs) currentImage = image1;
    if (elapsed > kSecondImageMs && elapsed < kThirdImageMs) currentImage = image2;
    if (elapsed > kThirdImageMs) currentImage = image3;

    if (strobeTick - lastChange > kStrobeIntervalMs) {
      if (whiteNext) {
        std::memset(frame, 0xFF, kFrameBytes);
        whiteNext = 0;
      } else {
        std::memcpy(frame, currentImage, kFrameBytes);
        whiteNext = 1;
      }
      lastChange = GetTickCount();
    }

    PresentFrame(frame);
  }

  std::free(frame);
  std::free(image1);
  std::free(image2);
  std::free(image3);
  CloseDisplay();
  StopMusic(song);
  ExitProcess(0);
}
