// The show's own thread: one worker per start of the show, off the page's main thread, which
// keeps only its buttons, its keys and the canvas's place. The page (page.js) makes it, hands it
// the compiled show, our pictures and song, the canvas and a port to its sound, and ends it when
// the show ends; a worker's end is the end of everything the show was doing.
//
// From the page: { start }, then its size ({ output: [width, height] }), the show's events ({ event: { type, keyCode, location, alt,
// ctrl, shift } }, as the DOM names them), { hidden }, and { listen } from a watcher that
// wants to hear of each picture drawn ({ drawn }). The show reads them from its one record,
// quenthorPage (its fields: platform/host/page/page_library.js).
// To the page: { loaded } or { failed } once quenthor.js was read, then { print }, { printErr },
// { place } (the canvas's, in the page's output), { pointer }, { exit } or { failed }.
'use strict';
// A hidden page gives no animation frames: the show's waits for one end by this timer.
const hiddenWait = 100;
const events = [];
let page = null;  // the running show's record
let hidden = false;
let output = [0, 0];
let listening = false;

const tellDrawn = () => postMessage({ drawn: true });

function describe(error) {
  return String(error && error.message ? error.message : error).replace(/\.$/, '');
}

try {
  importScripts('quenthor.js');
  postMessage(typeof self.Quenthor === 'function' ? { loaded: true }
                                                   : { failed: 'quenthor.js holds no show' });
} catch (error) {
  postMessage({ failed: 'quenthor.js could not be fetched' });
}

function start({ module, assets, gentle, canvas, sound }) {
  const failed = (what) => (error) => postMessage({ failed: `The show ${what}: ${describe(error)}` });
  page = { canvas, sound, played: 0, events, output, hidden, hiddenWait,
           drawn: listening ? tellDrawn : null, wake: null, picture: null };
  const instance = {
    quenthorPage: page,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((made) => receive(made, module))
        .catch(failed('could not be started'));
      return {};
    },
    preRun: [(made) => {
      // Only a plain false shows the flashing show; anything else, or nothing, is gentle.
      made.ENV.QUENTHOR_DISPLAY_GENTLE = gentle === false ? '0' : '1';
      for (const [name, bytes] of assets)
        if (bytes) made.FS.writeFile(name, new Uint8Array(bytes));
    }],
    print(line) { postMessage({ print: line }); },
    printErr(line) { postMessage({ printErr: line }); },
    onExit(status) { postMessage({ exit: status }); },
    onAbort(what) { failed('stopped on an internal error')(what || 'aborted'); },
  };
  if (sound) {
    // The worklet says how much it has played, so that the song is mixed just far enough ahead.
    sound.onmessage = (event) => { page.played = event.data.played; };
  }
  try {
    const ready = self.Quenthor(instance);
    if (ready && ready.catch) ready.catch(failed('stopped on an internal error'));
  } catch (error) {
    failed('could not be started')(error);
  }
}

onmessage = (event) => {
  const message = event.data;
  if (message.start) {
    if (!page) start(message.start);
  } else if (message.event) {
    events.push(message.event);
  } else if (message.output) {
    output = message.output;
    if (page) page.output = output;
  } else if ('hidden' in message) {
    hidden = message.hidden;
    if (page) {
      page.hidden = hidden;
      // A wait that began while the page was shown ends by the timer now.
      if (hidden && page.wake) setTimeout(page.wake, hiddenWait);
    }
  } else if (message.listen) {
    listening = true;
    if (page) page.drawn = tellDrawn;
  }
};
