// The page around the show: nothing moves or sounds before Start. Start makes a fresh instance
// of the show (a show that ended has ended its runtime), gives it our pictures and song as files
// in its current folder, and puts its canvas over the page; when the show ends, the page says
// how (the status, and any line the show printed) and Start can run it again.
'use strict';
(function () {
  const assetNames = ['min.raw', 'min2.raw', 'min3.raw', 'Terminal.s3m'];
  const intro = document.getElementById('intro');
  const stage = document.getElementById('stage');
  const canvas = document.getElementById('canvas');
  const startButton = document.getElementById('start');
  const stopButton = document.getElementById('stop');
  const output = document.getElementById('output');
  const statusLine = document.getElementById('status');
  let running = false;

  function setState(state) { document.body.dataset.state = state; }

  // Compiled once, while the visitor reads the warning; each start only instantiates it.
  const compiled = (WebAssembly.compileStreaming
    ? WebAssembly.compileStreaming(fetch('quenthor.wasm'))
    : fetch('quenthor.wasm').then((r) => r.arrayBuffer()).then((b) => WebAssembly.compile(b)));
  compiled.then(() => {
    startButton.disabled = false;
    statusLine.textContent = '';
    setState('ready');
  }, (error) => {
    statusLine.textContent = 'The show could not be loaded: ' + error;
    setState('broken');
  });

  // A file that can't be fetched is left out: the show reports a missing song, and shows black
  // for a missing picture, as on the desktop.
  function fetchAssets() {
    return Promise.all(assetNames.map((name) =>
      fetch(name, { cache: 'no-cache' })
        .then((r) => (r.ok ? r.arrayBuffer() : null))
        .catch(() => null)
        .then((bytes) => [name, bytes])));
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
  stopButton.addEventListener('click', pressEscape);
  document.addEventListener('fullscreenchange', () => {
    if (running && !document.fullscreenElement) pressEscape();
  });

  function ended(status, reason) {
    if (!running) return;
    running = false;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    stage.hidden = true;
    intro.hidden = false;
    document.body.dataset.status = String(status);
    statusLine.textContent = reason || ('The show ended (status ' + status + ').');
    startButton.disabled = false;
    startButton.focus();
    setState('ended');
  }

  async function start() {
    if (running) return;
    running = true;
    startButton.disabled = true;
    output.textContent = '';
    statusLine.textContent = '';
    delete document.body.dataset.status;
    setState('running');
    intro.hidden = true;
    stage.hidden = false;
    // Fullscreen only from the click itself, where the browser allows it; the page is enough.
    if (stage.requestFullscreen) stage.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
    let module, assets;
    try {
      [module, assets] = await Promise.all([compiled, fetchAssets()]);
    } catch (error) {
      ended(1, 'The show could not be loaded: ' + error);
      return;
    }
    Quenthor({
      canvas: canvas,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
        return {};
      },
      preRun: [(show) => {
        for (const [name, bytes] of assets)
          if (bytes) show.FS.writeFile(name, new Uint8Array(bytes));
      }],
      print(line) { output.textContent += line + '\n'; },
      printErr(line) { console.warn(line); },
      onExit(status) { ended(status); },
      onAbort(what) { ended(1, 'The show stopped on an internal error: ' + what); },
    });
  }
  startButton.addEventListener('click', start);
})();
