// What the worker's JavaScript does for the host in a web page (page.cpp), linked into the show
// with emscripten's --js-library. Each entry is a C function page.cpp declares.
//
// The worker (web/show-worker.js) hands the show one record, Module['quenthorPage']:
//   canvas   the OffscreenCanvas the show draws on
//   sound    the port to the page's sound worklet, or null
//   played   how many frames the worklet says it has played
//   events   the page's events for the show, oldest first: DOM event types ('keydown',
//            'keyup', 'focus', 'blur'), keys with keyCode, location, alt, ctrl and shift
//   output   the page's size in the screen's own pixels, [width, height]
//   hidden   whether the page is hidden: a hidden page gives no animation frames, and a timer
//            ends each wait for a frame after hiddenWait ms (hidden or not)
//   drawn    called at each picture drawn, or null (a test that listens)
//   wake     set while the show waits for a frame: the worker calls it to end the wait early
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
    var page = Module['quenthorPage'];
    return Asyncify.handleSleep(function(wakeUp) {
      function wake() {
        if (page.wake !== wake) return;  // woken already
        page.wake = null;
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
      page.wake = wake;
      // A browser without animation frames in workers gets a paced 60 Hz instead. The timer
      // also ends a wait whose frame doesn't come: a hidden page's, and a browser's that holds
      // its frames a while (Firefox, leaving its fullscreen), so that the show still hears
      // Escape and Stop.
      if (typeof requestAnimationFrame === 'function') requestAnimationFrame(wake);
      else setTimeout(wake, 16);
      setTimeout(wake, page.hiddenWait);
    });
  },

  // The next of the page's events for the show, as the host's kind for its type, which the
  // caller names (-1: none left; an event of another type is passed over), the key's virtual-key
  // code and its place as the DOM gives it (KeyboardEvent.location), and the modifiers held.
  TakePageEvent: function(keyDown, keyUp, focusGained, focusLost, key, place, flags) {
    var kinds = { keydown: keyDown, keyup: keyUp, focus: focusGained, blur: focusLost };
    for (var event; (event = Module['quenthorPage'].events.shift());) {
      if (!kinds.hasOwnProperty(event.type)) continue;
      HEAPU32[key >> 2] = event.keyCode || 0;
      HEAP32[place >> 2] = event.location || 0;
      HEAP32[flags >> 2] = (event.alt ? 1 : 0) | (event.ctrl ? 2 : 0) | (event.shift ? 4 : 0);
      return kinds[event.type];
    }
    return -1;
  },

  // The page's size, [0, 0] until it is told. The canvas's place in it goes to the page.
  PageOutputSize: function(width, height) {
    var output = Module['quenthorPage'].output;
    HEAP32[width >> 2] = output[0];
    HEAP32[height >> 2] = output[1];
  },
  PlacePageCanvas: function(x, y, width, height) {
    postMessage({ place: [x, y, width, height] });
  },

  // The canvas takes the picture's size, and the picture, R,G,B,A bytes, through one ImageData over the WebAssembly memory itself, made
  // again only when the memory grew (its old buffer is gone) or the size changed, so that
  // putImageData is the picture's only copy on the way to the canvas. Whoever listens to the
  // worker (a test) is told of each picture drawn.
  PutCanvasPixels: function(pixels, width, height) {
    var page = Module['quenthorPage'];
    var canvas = page.canvas;
    var held = page.picture;
    if (!held || held.pixels !== pixels || held.image.data.buffer !== HEAPU8.buffer ||
        held.image.width !== width || held.image.height !== height) {
      if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
      }
      held = page.picture = {
        context: held ? held.context : canvas.getContext('2d'),
        pixels: pixels,
        image: new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
                             width, height)
      };
    }
    held.context.putImageData(held.image, 0, 0);
    if (page.drawn) page.drawn();
  },

  ShowPagePointer: function(visible) { postMessage({ pointer: !!visible }); },

  // The sound's way out: whether the page gave one, how many frames its worklet has played, and
  // a block for it to play next, as the audio output takes it: each channel's frames in turn, as
  // floating point, so that the worklet only copies them.
  PageHasSound: function() { return Module['quenthorPage'].sound ? 1 : 0; },
  PageSoundPlayed: function() { return Module['quenthorPage'].played; },
  PostPageSound: function(channels, frames, rate) {
    var block = HEAPF32.slice(channels >> 2, (channels >> 2) + frames * 2);
    Module['quenthorPage'].sound.postMessage({ rate: rate, frames: frames, channels: block },
                                             [block.buffer]);
  },
  StopPageSound: function() {
    var sound = Module['quenthorPage'].sound;
    if (sound) sound.postMessage({ stop: true });
  },
});
