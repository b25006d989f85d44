// What the worker's JavaScript does for the host in a web page (page.cpp), linked into the show
// with emscripten's --js-library. Each entry is a C function page.cpp declares.
'use strict';
mergeInto(LibraryManager.library, {
  // Milliseconds since the worker began, with fractions.
  PageNow: function() { return performance.now(); },

  // Asyncify saves the show's stack, the worker runs (its messages come in), and its next
  // animation frame resumes the show. A hidden page gives the worker no animation frames: a
  // timer then resumes it instead, whether the page was hidden before the wait or during it (the
  // worker's message of it calls the wake too), so that the show's clock and sound go on as on a
  // desktop that lost the focus. A show that ends while resumed leaves by emscripten's
  // ExitStatus, which is the end, not an error; anything else thrown from the show aborts it, so
  // that the page hears of it instead of a frozen picture over a song that plays on.
  WaitForAnimationFrame__deps: ['$Asyncify'],
  WaitForAnimationFrame: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      function wake() {
        if (Module['quenthorWake'] !== wake) return;  // woken already
        Module['quenthorWake'] = null;
        try {
          wakeUp();
        } catch (thrown) {
          if (thrown instanceof ExitStatus) return;
          try {
            abort(thrown && thrown.message ? thrown.message : String(thrown));
          } catch (aborted) {
            // abort() throws for its callers; the page has been told.
          }
        }
      }
      Module['quenthorWake'] = wake;
      // A browser without animation frames in workers gets a paced 60 Hz instead.
      if (typeof requestAnimationFrame === 'function') requestAnimationFrame(wake);
      else setTimeout(wake, 16);
      if (Module['quenthorHidden']) setTimeout(wake, 100);
    });
  },

  // The next of the page's events for the show, if any: its kind (1 key down, 2 key up, 3 focus
  // gained, 4 focus lost, 5 close request; 0 none), the key's virtual-key code and whether it is
  // an extended one, and the modifiers held.
  TakePageEvent: function(key, flags) {
    var events = Module['quenthorEvents'];
    var event = events && events.shift();
    if (!event) return 0;
    HEAPU32[key >> 2] = event.key || 0;
    HEAP32[flags >> 2] = (event.extended ? 1 : 0) | (event.alt ? 2 : 0) | (event.ctrl ? 4 : 0) |
                         (event.shift ? 8 : 0);
    return event.kind;
  },

  // The canvas takes the picture's size (the page places and enlarges it, by whole numbers), and
  // the picture, R,G,B,A bytes, through one ImageData over the WebAssembly memory itself, made
  // again only when the memory grew (its old buffer is gone) or the size changed, so that
  // putImageData is the picture's only copy on the way to the canvas. Whoever listens to the
  // worker (a test) is told of each picture drawn.
  PutCanvasPixels: function(pixels, width, height) {
    var canvas = Module['quenthorCanvas'];
    var held = Module['quenthorPicture'];
    if (!held || held.pixels !== pixels || held.image.data.buffer !== HEAPU8.buffer ||
        held.image.width !== width || held.image.height !== height) {
      if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
        postMessage({ pictureSize: [width, height] });
      }
      held = Module['quenthorPicture'] = {
        context: held ? held.context : canvas.getContext('2d'),
        pixels: pixels,
        image: new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
                             width, height)
      };
    }
    held.context.putImageData(held.image, 0, 0);
    if (Module['quenthorDrawn']) Module['quenthorDrawn']();
  },

  ShowPagePointer: function(visible) { postMessage({ pointer: !!visible }); },

  // The sound's way out: whether the page gave one, how many frames its worklet has played, and
  // a block for it to play next, as the audio output takes it: each channel's frames in turn, as
  // floating point, so that the worklet only copies them.
  PageHasSound: function() { return Module['quenthorSound'] ? 1 : 0; },
  PageSoundPlayed: function() { return Module['quenthorSoundPlayed'] || 0; },
  PostPageSound: function(channels, frames, rate) {
    var block = HEAPF32.slice(channels >> 2, (channels >> 2) + frames * 2);
    Module['quenthorSound'].postMessage({ rate: rate, frames: frames, channels: block },
                                        [block.buffer]);
  },
  StopPageSound: function() {
    var sound = Module['quenthorSound'];
    if (sound) sound.postMessage({ stop: true });
  },
});
