// The page around the show: nothing moves or sounds before Start. Start (or Start without
// flashing) makes a fresh worker for the show (web/show-worker.js; a show that ended has ended its
// runtime), gives it the compiled show, our pictures and song, the canvas and a port to the sound
// (web/sound-worklet.js), and puts the canvas over the page. The page's main thread keeps only
// the buttons, the keys it passes on and the canvas's place. When the show ends, or anything on
// the way fails, the page says how, the worker and the sound stop, and Start can run it again.
// Where the viewer's system asks for reduced motion, Start without flashing comes first, has the
// focus and is what Enter starts. Only the plain Start's own click shows the flashing show.
'use strict';
(function () {
  const assetNames = ['min.raw', 'min2.raw', 'min3.raw', 'Terminal.s3m'];
  // A file that hasn't come in this time is left out, as one that isn't there.
  const assetWait = 10000;
  // Stop first asks the show to end as Escape does; one that doesn't listen is ended by force.
  // Leaving a browser's fullscreen (Firefox's Escape) can hold the worker's frames for a while.
  const stopGrace = 1200;
  const intro = document.getElementById('intro');
  const stage = document.getElementById('stage');
  let canvas = document.getElementById('canvas');
  const plainButton = document.getElementById('start');
  const gentleButton = document.getElementById('gentle');
  const startButtons = [plainButton, gentleButton];
  const reducedNote = document.getElementById('reduced-motion');
  const stopButton = document.getElementById('stop');
  const output = document.getElementById('output');
  const statusLine = document.getElementById('status');
  let compiling = null;  // the compiled wasm, once it came
  let preparing = null;  // a worker that read quenthor.js, for the next show
  let run = null;      // the show that runs now, if any
  let outdated = false;  // a new version of the site has taken the page over
  const carriedKey = 'quenthor: the page before a new version';

  function setState(state) { document.body.dataset.state = state; }
  function describe(error) {
    return String(error && error.message ? error.message : error).replace(/\.$/, '');
  }

  // A worker that has read quenthor.js, ready for the next show; one that failed is ended, so
  // that a retry fetches it again.
  function prepareWorker() {
    return new Promise((resolve, reject) => {
      const worker = new Worker('show-worker.js');
      worker.onmessage = (event) => {
        worker.onmessage = worker.onerror = null;
        if (event.data.loaded) {
          resolve(worker);
          return;
        }
        worker.terminate();
        reject(new Error(event.data.failed || 'quenthor.js holds no show'));
      };
      worker.onerror = (event) => {
        event.preventDefault();
        worker.onmessage = worker.onerror = null;
        worker.terminate();
        reject(new Error('show-worker.js could not be fetched'));
      };
    });
  }

  // Any static server will do: a wasm not served as application/wasm is compiled from its bytes.
  async function compileWasm() {
    let response;
    try {
      response = await fetch('quenthor.wasm');
    } catch (error) {
      throw new Error('quenthor.wasm could not be fetched (' + describe(error) + ')');
    }
    if (!response.ok) throw new Error('quenthor.wasm could not be fetched (HTTP ' + response.status + ')');
    const type = response.headers.get('Content-Type') || '';
    const module = await (WebAssembly.compileStreaming && /^application\/wasm\b/.test(type)
      ? WebAssembly.compileStreaming(response)
      : response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes)));
    // A valid module that isn't the show (no memory, no main) would fail later, less clearly.
    const exported = WebAssembly.Module.exports(module);
    if (!exported.some((e) => e.kind === 'memory') || !exported.some((e) => e.kind === 'function'))
      throw new Error('quenthor.wasm is not the show');
    return module;
  }

  // The show draws from its worker: a browser that can't hand a canvas to a worker can't run it.
  function canDrawFromWorker() {
    return typeof Worker === 'function' &&
      typeof HTMLCanvasElement.prototype.transferControlToOffscreen === 'function';
  }

  // Compiled once, while the visitor reads the warning; each start only instantiates it, in a
  // worker made ready beforehand. A load that failed is forgotten, so that the next Start tries
  // again.
  function load() {
    if (!canDrawFromWorker()) {
      return Promise.reject(new Error('this browser can\'t draw from a worker (it needs ' +
                                      'OffscreenCanvas: Chrome 69, Firefox 105, Safari 16.4 or later)'));
    }
    if (!compiling) {
      compiling = compileWasm();
      compiling.catch(() => { compiling = null; });
    }
    if (!preparing) {
      preparing = prepareWorker();
      preparing.catch(() => { preparing = null; });
    }
    return Promise.all([preparing, compiling]);
  }

  function fetchAssets(current) {
    return Promise.all(assetNames.map((name) => {
      const controller = new AbortController();
      current.fetches.push(controller);
      const timer = setTimeout(() => {
        console.warn(name + ' did not come in ' + assetWait / 1000 + ' s: the show runs without it');
        controller.abort();
      }, assetWait);
      return fetch(name, { cache: 'no-cache', signal: controller.signal })
        .then((r) => (r.ok ? r.arrayBuffer() : null))
        .catch(() => null)
        .then((bytes) => {
          clearTimeout(timer);
          return [name, bytes];
        });
    }));
  }

  // The show ends on Escape. The Stop button, and leaving the browser's fullscreen (which takes
  // Escape for itself), press it for the show.
  function pressEscape() {
    tell({ event: { type: 'keydown', keyCode: 27 } });
    tell({ event: { type: 'keyup', keyCode: 27 } });
  }

  function stop() {
    const current = run;
    if (!current) return;
    if (!current.worker) {
      finish(current, 'The show was stopped before it began.');
      return;
    }
    pressEscape();
    clearTimeout(current.stopTimer);
    current.stopTimer = setTimeout(() => finish(current, 'The show was stopped.'), stopGrace);
  }

  // Ends a run however it ended: status from the show's own exit, or a reason why it failed.
  function finish(current, reason, status) {
    if (!current || current !== run) return;
    run = null;
    clearTimeout(current.stopTimer);
    clearInterval(current.densityTimer);
    for (const controller of current.fetches) controller.abort();
    // The show is stopped where it stands: no more frames or sound.
    if (current.worker) current.worker.terminate();
    if (current.audio && current.audio.state !== 'closed') current.audio.close().catch(() => {});
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    // A canvas given to a worker is the worker's for good: the next show gets a new one.
    if (current.worker) {
      const fresh = canvas.cloneNode(false);
      fresh.removeAttribute('style');
      fresh.removeAttribute('width');
      fresh.removeAttribute('height');
      canvas.replaceWith(fresh);
      canvas = fresh;
    }
    stage.hidden = true;
    stage.style.cursor = '';
    intro.hidden = false;
    if (status === undefined) delete document.body.dataset.status;
    else document.body.dataset.status = String(status);
    statusLine.textContent = (reason || ('The show ended (status ' + status + ').')) +
      (current.because ? ' ' + current.because : '');
    for (const button of startButtons) button.disabled = false;
    (current.gentle || asksReducedMotion() ? gentleButton : plainButton).focus();
    setState(status === undefined ? 'failed' : 'ended');
    if (outdated) reloadKeepingStatus();
    else load().catch(() => {});  // the next show's worker
  }

  // Created and resumed inside the tap or click itself, which phones require for sound. At the
  // song's own rate, 44,100 Hz, so that the browser, not the show, steps it to the device's rate;
  // a browser that refuses the rate gets its own, which the worklet steps to. In blocks of 1024
  // frames, where the browser takes a size: the worklet then runs 43 times a second, not 344, at
  // an eighth of the cost, and 23 ms is still no lag a listener hears.
  function newAudioContext() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return null;
    try {
      let context;
      try {
        context = new Context({ sampleRate: 44100, renderSizeHint: 1024 });
      } catch (error) {
        context = new Context();
      }
      context.resume().catch(() => {});
      return context;
    } catch (error) {
      return null;
    }
  }

  // The port the show's worker sends its sound to, at once, so that the show needn't wait for
  // the player: the blocks wait in the port until it listens. The player is the worklet, on the
  // audio thread; where the page has none (one not served securely) or it can't be loaded, the
  // same player on the page, under a ScriptProcessor. None without an audio context: the show
  // then runs as on a machine without a sound device.
  function soundPort(audio) {
    if (!audio) return null;
    const channel = new MessageChannel();
    playThrough(audio, channel.port2).catch((error) => {
      console.warn('The show has no sound: ' + describe(error));
    });
    return channel.port1;
  }
  async function playThrough(audio, port) {
    if (audio.audioWorklet && typeof AudioWorkletNode === 'function') {
      try {
        await audio.audioWorklet.addModule('sound-worklet.js');
        const node = new AudioWorkletNode(audio, 'quenthor-sound', {
          numberOfInputs: 0, outputChannelCount: [2] });
        node.connect(audio.destination);
        node.port.postMessage(port, [port]);
        return;
      } catch (error) {
        console.warn('The sound plays on the page: no audio worklet (' + describe(error) + ')');
      }
    }
    await loadPlayer();
    const sound = new window.QuenthorShowSound(port);
    const node = audio.createScriptProcessor(4096, 0, 2);
    node.onaudioprocess = (event) => sound.fill(event.outputBuffer.getChannelData(0),
                                                event.outputBuffer.getChannelData(1),
                                                audio.sampleRate);
    node.connect(audio.destination);
    audio.quenthorPlayer = node;  // kept from the collector while it plays
  }
  function loadPlayer() {
    return new Promise((resolve, reject) => {
      if (window.QuenthorShowSound) {
        resolve();
        return;
      }
      const script = document.createElement('script');
      script.src = 'sound-worklet.js';
      script.onload = resolve;
      script.onerror = () => {
        script.remove();
        reject(new Error('sound-worklet.js could not be fetched'));
      };
      document.head.appendChild(script);
    });
  }

  // Where the canvas goes on the page is the show's to say, by the rule the desktop's window
  // follows (the picture enlarged by the largest whole number of the screen's own pixels that
  // fits, centred on black): the page tells the show its size in the screen's own pixels (a
  // phone has several to each page pixel), and the show answers with the canvas's place there.
  const place = { density: 1, shown: null };
  function placeCanvas(shown) {
    place.shown = shown;
    if (!shown) return;
    const [x, y, w, h] = shown;
    const style = canvas.style;
    style.position = 'absolute';
    style.left = x / place.density + 'px';
    style.top = y / place.density + 'px';
    style.width = w / place.density + 'px';
    style.height = h / place.density + 'px';
  }
  // The page's size, as the page's resize tells of it: fullscreen came, a phone turned, a zoom.
  // A window moved to a screen of another density gets no resize: while a show runs, the
  // density is looked at four times a second (a few microseconds).
  function measurePage() {
    place.density = devicePixelRatio;
    placeCanvas(place.shown);
    tell({ output: [Math.floor(window.innerWidth * place.density),
                    Math.floor(window.innerHeight * place.density)] });
  }
  window.addEventListener('resize', measurePage);
  const densityCheck = 250;

  // What the page tells the show, as its window would hear it: the DOM's own events.
  function tell(message) {
    if (run && run.worker) run.worker.postMessage(message);
  }
  function passKey(event) {
    if (!run || !event.keyCode) return;
    tell({ event: { type: event.type, keyCode: event.keyCode, location: event.location,
                    alt: event.altKey, ctrl: event.ctrlKey, shift: event.shiftKey } });
  }

  // A show that failed may have failed on its wasm (one of another version, say): the next
  // Start compiles it afresh.
  function failed(current, reason) {
    if (current === run) compiling = null;
    finish(current, reason);
  }

  function heard(current, message) {
    if (current !== run) return;
    if ('print' in message) output.textContent += message.print + '\n';
    else if ('printErr' in message) console.warn(message.printErr);
    else if (message.place) placeCanvas(message.place);
    else if ('pointer' in message) stage.style.cursor = message.pointer ? '' : 'none';
    else if ('exit' in message) finish(current, null, message.exit);
    else if (message.failed) failed(current, message.failed + '. Start tries again.');
  }

  // Gentle unless the plain Start asked for the flashing show in so many words.
  async function start(choice) {
    const gentle = choice !== 'flashing';
    if (run) return;
    const current = { gentle, fetches: [], worker: null, audio: newAudioContext(), stopTimer: 0,
                      densityTimer: 0, because: '' };
    run = current;
    for (const button of startButtons) button.disabled = true;
    output.textContent = '';
    if (gentle && asksReducedMotion()) current.because = reducedMotionLine;
    statusLine.textContent = current.because;
    delete document.body.dataset.status;
    setState('running');
    intro.hidden = true;
    stage.hidden = false;
    canvas.focus({ preventScroll: true });
    // Fullscreen only from the click itself, where the browser allows it; the page is enough.
    if (stage.requestFullscreen) stage.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
    const sound = soundPort(current.audio);
    let worker, module, assets;
    try {
      [[worker, module], assets] = await Promise.all([load(), fetchAssets(current)]);
    } catch (error) {
      finish(current, 'The show could not be loaded: ' + describe(error) + '. Start tries again.');
      return;
    }
    if (current !== run) return;
    preparing = null;  // this worker is the show's now
    current.worker = worker;
    worker.onmessage = (event) => heard(current, event.data);
    worker.onerror = (event) => {
      event.preventDefault();
      failed(current, 'The show stopped on an internal error: ' + describe(event.message) +
             '. Start tries again.');
    };
    place.shown = null;
    measurePage();
    current.densityTimer = setInterval(() => {
      if (devicePixelRatio !== place.density) measurePage();
    }, densityCheck);
    const offscreen = canvas.transferControlToOffscreen();
    const transfer = [offscreen, ...(sound ? [sound] : [])];
    for (const [, bytes] of assets) if (bytes) transfer.push(bytes);
    worker.postMessage({ hidden: document.hidden });
    if (window.quenthorListening) worker.postMessage({ listen: true });
    worker.postMessage({ start: { module, assets, gentle, canvas: offscreen, sound } }, transfer);
  }

  stopButton.addEventListener('click', stop);
  document.addEventListener('fullscreenchange', () => {
    if (run && !document.fullscreenElement) stop();
  });
  plainButton.addEventListener('click', () => start('flashing'));
  gentleButton.addEventListener('click', () => start('gentle'));
  // While the show runs, a long press, a drag or a key moves nothing under it.
  stage.addEventListener('contextmenu', (event) => event.preventDefault());
  stage.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });
  window.addEventListener('keydown', (event) => {
    // Enter with nothing focused (a click beside the buttons) starts the first one, the gentle.
    if (!run && event.key === 'Enter' && document.activeElement === document.body &&
        asksReducedMotion() && !gentleButton.disabled) {
      event.preventDefault();
      start('gentle');
      return;
    }
    if (run && /^( |Arrow\w+|Page\w+|Home|End|Tab)$/.test(event.key)) event.preventDefault();
    passKey(event);
  });
  window.addEventListener('keyup', passKey);
  window.addEventListener('focus', () => tell({ event: { type: 'focus' } }));
  window.addEventListener('blur', () => tell({ event: { type: 'blur' } }));
  document.addEventListener('visibilitychange', () => tell({ hidden: document.hidden }));

  // The viewer's reduce-motion setting, followed at once when it changes: Start without flashing
  // first, with the focus, and the sentence that says why. Turned off, the plain Start comes
  // first again, but the focus is never moved onto it.
  const reducedMotion = window.matchMedia ? window.matchMedia('(prefers-reduced-motion: reduce)')
                                          : null;
  const reducedMotionLine = 'Started without flashing: your system asks for reduced motion.';
  function asksReducedMotion() { return !!(reducedMotion && reducedMotion.matches); }
  function offerGentle() {
    if (asksReducedMotion() && !run && !gentleButton.disabled) gentleButton.focus();
  }
  function followReducedMotion() {
    const reduce = asksReducedMotion();
    if (reduce) plainButton.before(gentleButton);
    else gentleButton.before(plainButton);
    reducedNote.hidden = !reduce;
    offerGentle();
  }
  if (reducedMotion) reducedMotion.addEventListener('change', followReducedMotion);
  followReducedMotion();

  // A reload for a new version still says how the show before it ended. (Where the browser
  // keeps no session storage, the page just comes up ready.)
  function reloadKeepingStatus() {
    try {
      sessionStorage.setItem(carriedKey, JSON.stringify({
        state: document.body.dataset.state, status: document.body.dataset.status,
        line: statusLine.textContent, output: output.textContent,
        focus: document.activeElement && document.activeElement.id }));
    } catch (error) {}
    location.reload();
  }
  let carried = null;
  try {
    carried = JSON.parse(sessionStorage.getItem(carriedKey));
    sessionStorage.removeItem(carriedKey);
  } catch (error) {}
  if (!carried || !/^(ready|ended|failed)$/.test(carried.state)) carried = null;
  else {
    output.textContent = String(carried.output || '');
    if (carried.status !== undefined) document.body.dataset.status = String(carried.status);
  }

  load().then(() => {
    if (run) return;
    statusLine.textContent = carried ? String(carried.line || '') : '';
    setState(carried ? carried.state : 'ready');
  }, (error) => {
    if (run) return;
    statusLine.textContent = 'The show could not be loaded: ' + describe(error) + '. Start tries again.';
    setState('broken');
  }).then(() => {
    for (const button of startButtons) button.disabled = !!run;
    const focused = carried && startButtons.find((button) => button.id === carried.focus);
    if (focused && !run) focused.focus();
    else offerGentle();
  });

  // After one visit the site is kept by the browser and works offline. A new version that takes
  // the page over is taken whole, by a reload: at once when no show runs, else when the running
  // show (which keeps its own worker) ends. The page never runs its old code with the new
  // version's worker or wasm.
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.addEventListener('controllerchange', () => {
      outdated = true;
      if (!run) reloadKeepingStatus();
    });
    navigator.serviceWorker.register('service-worker.js').catch((error) => {
      console.warn('The page is not kept for offline use: ' + describe(error));
    });
  }
})();
