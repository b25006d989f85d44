// The page around the show: nothing moves or sounds before Start. Start (or Start without
// flashing) makes a fresh instance of the show (a show that ended has ended its runtime), gives
// it our pictures and song as files in its current folder, and puts its canvas over the page;
// when the show ends, or anything on the way fails, the page says how, the sound stops, and
// Start can run it again.
'use strict';
(function () {
  const assetNames = ['min.raw', 'min2.raw', 'min3.raw', 'Terminal.s3m'];
  // A file that hasn't come in this time is left out, as one that isn't there.
  const assetWait = 10000;
  // Stop first asks the show to end as Escape does; one that doesn't listen is ended by force.
  const stopGrace = 700;
  const intro = document.getElementById('intro');
  const stage = document.getElementById('stage');
  const canvas = document.getElementById('canvas');
  const startButtons = [document.getElementById('start'), document.getElementById('gentle')];
  const stopButton = document.getElementById('stop');
  const output = document.getElementById('output');
  const statusLine = document.getElementById('status');
  let loading = null;  // quenthor.js and the compiled wasm, once both came
  let run = null;      // the show that runs now, if any

  function setState(state) { document.body.dataset.state = state; }
  function describe(error) {
    return String(error && error.message ? error.message : error).replace(/\.$/, '');
  }

  // quenthor.js as a script of the page; one that failed is removed, so a retry fetches it again.
  function loadScript() {
    return new Promise((resolve, reject) => {
      if (typeof window.Quenthor === 'function') {
        resolve(window.Quenthor);
        return;
      }
      const script = document.createElement('script');
      script.src = 'quenthor.js';
      script.onload = () => {
        if (typeof window.Quenthor === 'function') {
          resolve(window.Quenthor);
          return;
        }
        script.remove();
        reject(new Error('quenthor.js holds no show'));
      };
      script.onerror = () => {
        script.remove();
        reject(new Error('quenthor.js could not be fetched'));
      };
      document.head.appendChild(script);
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

  // Compiled once, while the visitor reads the warning; each start only instantiates it. A load
  // that failed is forgotten, so that the next Start tries again.
  function load() {
    if (!loading) {
      loading = Promise.all([loadScript(), compileWasm()]);
      loading.catch(() => { loading = null; });
    }
    return loading;
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
    for (const type of ['keydown', 'keyup']) {
      const event = new KeyboardEvent(type, { key: 'Escape', code: 'Escape', bubbles: true });
      Object.defineProperty(event, 'keyCode', { get: () => 27 });
      Object.defineProperty(event, 'which', { get: () => 27 });
      window.dispatchEvent(event);
    }
  }

  function stop() {
    const current = run;
    if (!current) return;
    if (!current.show) {
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
    for (const controller of current.fetches) controller.abort();
    // The instance is stopped where it stands: no more frames, key handlers or sound.
    if (current.show && current.show.quenthorHalt) current.show.quenthorHalt();
    if (current.audio && current.audio.state !== 'closed') current.audio.close().catch(() => {});
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    stage.hidden = true;
    intro.hidden = false;
    if (status === undefined) delete document.body.dataset.status;
    else document.body.dataset.status = String(status);
    statusLine.textContent = reason || ('The show ended (status ' + status + ').');
    for (const button of startButtons) button.disabled = false;
    startButtons[current.gentle ? 1 : 0].focus();
    setState(status === undefined ? 'failed' : 'ended');
  }

  // Created and resumed inside the tap or click itself, which phones require for sound; SDL
  // takes the context it finds on the instance. At the song's own rate, 44,100 Hz: SDL would
  // otherwise resample it to the device's rate in WebAssembly, on the page's main thread, where
  // the browser does it on its audio thread, natively. A browser that refuses the rate gets its own.
  function newAudioContext() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return null;
    try {
      let context;
      try {
        context = new Context({ sampleRate: 44100 });
      } catch (error) {
        context = new Context();
      }
      context.resume().catch(() => {});
      return context;
    } catch (error) {
      return null;
    }
  }

  async function start(gentle) {
    if (run) return;
    const current = { gentle, fetches: [], show: null, audio: newAudioContext(), stopTimer: 0 };
    run = current;
    for (const button of startButtons) button.disabled = true;
    output.textContent = '';
    statusLine.textContent = '';
    delete document.body.dataset.status;
    setState('running');
    intro.hidden = true;
    stage.hidden = false;
    canvas.focus({ preventScroll: true });
    // Fullscreen only from the click itself, where the browser allows it; the page is enough.
    if (stage.requestFullscreen) stage.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
    let factory, module, assets;
    try {
      [[factory, module], assets] = await Promise.all([load(), fetchAssets(current)]);
    } catch (error) {
      finish(current, 'The show could not be loaded: ' + describe(error) + '. Start tries again.');
      return;
    }
    if (current !== run) return;
    const failed = (what) => (error) =>
      finish(current, 'The show ' + what + ': ' + describe(error) + '. Start tries again.');
    const show = {
      canvas: canvas,
      SDL2: current.audio ? { audioContext: current.audio } : undefined,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => {
          if (current === run) receive(instance, module);
        }).catch(failed('could not be started'));
        return {};
      },
      preRun: [(instance) => {
        if (gentle) instance.ENV.QUENTHOR_DISPLAY_GENTLE = '1';
        for (const [name, bytes] of assets)
          if (bytes) instance.FS.writeFile(name, new Uint8Array(bytes));
      }],
      print(line) { if (current === run) output.textContent += line + '\n'; },
      printErr(line) { console.warn(line); },
      onExit(status) { finish(current, null, status); },
      onAbort(what) { failed('stopped on an internal error')(what || 'aborted'); },
    };
    current.show = show;
    try {
      const ready = factory(show);
      if (ready && ready.catch) ready.catch(failed('stopped on an internal error'));
    } catch (error) {
      failed('could not be started')(error);
    }
  }

  // An error nothing caught while a show runs comes from the show (its runtime rethrows what it
  // can't handle to the page): it ends the show rather than leave a frozen picture and sound.
  window.addEventListener('error', (event) => {
    if (run && run.show) finish(run, 'The show stopped on an internal error: ' +
                               describe(event.error || event.message) + '. Start tries again.');
  });
  window.addEventListener('unhandledrejection', (event) => {
    if (run && run.show) finish(run, 'The show stopped on an internal error: ' +
                               describe(event.reason) + '. Start tries again.');
  });

  stopButton.addEventListener('click', stop);
  document.addEventListener('fullscreenchange', () => {
    if (run && !document.fullscreenElement) stop();
  });
  startButtons[0].addEventListener('click', () => start(false));
  startButtons[1].addEventListener('click', () => start(true));
  // While the show runs, a long press, a drag or a key moves nothing under it.
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  stage.addEventListener('touchmove', (event) => event.preventDefault(), { passive: false });
  window.addEventListener('keydown', (event) => {
    if (run && /^( |Arrow\w+|Page\w+|Home|End|Tab)$/.test(event.key)) event.preventDefault();
  });

  load().then(() => {
    if (run) return;
    statusLine.textContent = '';
    setState('ready');
  }, (error) => {
    if (run) return;
    statusLine.textContent = 'The show could not be loaded: ' + describe(error) + '. Start tries again.';
    setState('broken');
  }).then(() => {
    for (const button of startButtons) button.disabled = !!run;
  });

  // After one visit the site is kept by the browser and works offline.
  if ('serviceWorker' in navigator && window.isSecureContext)
    navigator.serviceWorker.register('service-worker.js').catch((error) => {
      console.warn('The page is not kept for offline use: ' + describe(error));
    });
})();
