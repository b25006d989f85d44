// What a desktop and a browser page do differently, for screen.cpp, video.cpp, clock.cpp and
// audio_output.cpp of this folder only: desktop.cpp holds the desktop's answers (X11, threads),
// browser.cpp the page's (WebAssembly under ASYNCIFY, where the show's loop stays a loop and
// gives the page back where it waits). CMake builds exactly one of the two.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/host/screen.h"
#include "platform/host/video.h"

namespace platform {
namespace host {

// Whether the picture is cheaper drawn in software than through GL. An X server without direct
// rendering (a virtual one, or a remote one) has only a software GL rasteriser, which costs far
// more than drawing the picture in software and putting it up through shared memory. A page's
// canvas has the picture's size: putting the picture on it in 2D costs less than WebGL, measured
// (web/measure.js), and works where the browser has no WebGL.
bool WithoutDirectRendering(SDL_Window* window);
// Whether a Present that waits for the blank can rely on the renderer: claims are the
// renderer's own word for vsync. A page's canvas always is shown at the browser's next frame.
bool PresentCanWaitForBlank(bool rendererClaimsVsync);
// Whether the renderer's present under vsync is itself the wait for the blank (the desktop), so
// that it must happen though the picture is unchanged; a page waits for its frame after the
// present, and draws only a picture that changed.
bool PresentIsTheBlankWait();
// Turns the renderer's vsync on or off where the renderer's present is the wait (the desktop);
// in a page the wait is the browser's frame, after the present.
void SetRendererVsync(SDL_Renderer* renderer, bool on);
// Just before a picture of the given size goes up: in a page, the canvas takes the picture's
// size and the page may have changed size (fullscreen came, a phone turned); the renderer's
// viewport doesn't follow the canvas by itself.
void BeforePresent(HostWindow window, SDL_Renderer* renderer, int pictureWidth, int pictureHeight);
// Puts a changed picture up by the host's own means, where they cost less than SDL's renderer:
// a page writes it to its 2D canvas in one pass, where SDL's software renderer would copy it
// three times on the way (texture, window surface, canvas image). False where SDL draws it (a
// desktop, or a layout the page doesn't take as it is).
bool DrawPictureItself(const Picture& picture);
// Just after a present under vsync: a page gives itself back until the browser's next frame;
// a desktop keeps a floor, in case the driver claims vsync and doesn't wait.
void AfterVsyncPresent();
// Sleeps until the performance counter reads due, at least (a page gives itself back meanwhile).
void SleepUntilCounter(std::uint64_t due);
// Frames per audio callback. A desktop's audio thread takes about 23 ms at 44,100 Hz: short
// enough not to be heard as a lag, long enough that a busy two-core machine still refills it in
// time. A page mixes on its main thread, between its frames, each callback a task of its own:
// about 93 ms, a quarter as many.
int AudioBufferFrames();
// Makes the window the show's screen: the whole desktop or, with windowMode, a desktop window;
// in a page, the canvas, placed with the first picture.
void ShowAsScreen(SDL_Window* window, bool windowMode);

}  // namespace host
}  // namespace platform
