// What the show needs of a web page when it runs in a browser (WebAssembly, built with
// emscripten and ASYNCIFY): the show's loop stays a loop and gives the page back where it waits.
// Only the browser build compiles this; on the desktop these are never called.
#pragma once
#include "platform/host/video.h"

namespace platform {
namespace host {

// Gives the page back until the browser's next frame: the canvas's picture is shown then, so
// this is the wait for the screen's blank.
void WaitForBrowserFrame();
// The window takes the page's whole size (the page's own fullscreen, where the browser allows it,
// is asked for by the page from the click that starts the show); called again as the page's
// size changes. True when the window's size changed.
bool FitWindowToPage(HostWindow window);
// Gives the page back for at least the given time.
void SleepInBrowser(unsigned milliseconds);

}  // namespace host
}  // namespace platform
