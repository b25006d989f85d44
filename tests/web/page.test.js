// The show's page in real browsers: node page.test.js SITE (on a display, with a sound server:
// scripts/test-web gives both). The show itself is tested in depth on the desktop build; these
// check what the browser adds: nothing before Start, the strobe's pictures in order and exact
// colours read from the page's frames, its pace kept by the browser's frames, the sound, Escape,
// the song's failures, every way of loading or running the show that can fail (one table),
// offline use, phones, the page's Content-Security-Policy and the site's server. The main rows
// (the strobe, its sound, Escape and Stop, a missing song, offline use, Start without flashing)
// run in each engine of engines.js, named first; the rest need chromium's DevTools (request
// interception, emulated phones and settings, the screencast) and run in chromium alone.
'use strict';
const assert = require('assert');
const { execFileSync, spawnSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { test, before, after } = require('node:test');
const { serveSite, sitePolicy, launch, listeningPosts } = require('../../tools/web/browser');
const songs = require('./songs');
const { launchers, engineNames, limits, plantedCopy } = require('./engines');

const site = path.resolve(process.argv[2] || 'build-web/site');
const sources = path.resolve(__dirname, '../..');
const W = 320, H = 240;
let server, browser;

// Points of the 320x240 picture where the three pictures, white and black all differ; their
// colours come from the picture files the site serves.
function readPicture(name) {
  const bytes = fs.readFileSync(path.join(site, name));
  return (x, y) => { const i = (y * W + x) * 4; return [bytes[i + 2], bytes[i + 1], bytes[i]]; };
}
const pictures = ['min.raw', 'min2.raw', 'min3.raw'].map(readPicture);
const points = [];
for (let y = 7; y < H && points.length < 12; y += 19)
  for (let x = 11; x < W && points.length < 12; x += 37) {
    const colours = pictures.map((p) => p(x, y).join());
    if (new Set([...colours, '0,0,0', '255,255,255']).size === 5) points.push([x, y]);
  }
const kinds = {
  black: points.map(() => [0, 0, 0]),
  white: points.map(() => [255, 255, 255]),
  image1: points.map(([x, y]) => pictures[0](x, y)),
  image2: points.map(([x, y]) => pictures[1](x, y)),
  image3: points.map(([x, y]) => pictures[2](x, y)),
};

// In the page: at every browser frame, what the canvas shows at the points, named.
function watchFrames(points, kinds, W, H) {
  const canvas = document.getElementById('canvas');
  const copy = document.createElement('canvas');
  const context = copy.getContext('2d', { willReadFrequently: true });
  window.quenthorFrames = [];
  // Watching from before the click: a show that starts quickly has drawn its first frames
  // before a second round trip to the page would begin to watch. Only a running show's frames
  // are kept, until it ends.
  let seenRunning = false;
  function look(time) {
    if (document.body.dataset.state !== 'running') {
      if (!seenRunning) requestAnimationFrame(look);
      return;
    }
    seenRunning = true;
    requestAnimationFrame(look);
    if (!canvas.width || !window.quenthorPosts.draws) return;
    copy.width = canvas.width;
    copy.height = canvas.height;
    context.drawImage(canvas, 0, 0);
    const scale = Math.max(1, Math.min(Math.floor(canvas.width / W), Math.floor(canvas.height / H)));
    const left = Math.floor((canvas.width - W * scale) / 2);
    const top = Math.floor((canvas.height - H * scale) / 2);
    const seen = points.map(([x, y]) => Array.from(context.getImageData(
      left + x * scale + (scale >> 1), top + y * scale + (scale >> 1), 1, 1).data));
    // A canvas nothing was drawn on yet reads transparent.
    let name = seen.every((c) => c[3] === 0) ? 'blank' : 'other';
    for (const [kind, colours] of Object.entries(kinds))
      if (colours.every((c, i) => c.every((v, j) => Math.abs(v - seen[i][j]) <= 1))) name = kind;
    window.quenthorFrames.push({ time, name, draws: window.quenthorPosts.draws });
  }
  requestAnimationFrame(look);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// In the page, before its script: every breach of its Content-Security-Policy, kept.
function watchPolicy() {
  window.quenthorBreaches = [];
  document.addEventListener('securitypolicyviolation', (event) =>
    window.quenthorBreaches.push(`${event.violatedDirective} ${event.blockedURI}`));
}

// A page of its own (a fresh browser profile: no service worker or cache from another test).
// answer(file, request) may answer a request itself (true); plant is a script run in the page
// before its own, inWorker one run in the show's worker before its own; state is what the page
// must come to after loading; motion, the viewer's prefers-reduced-motion, if any; url, another
// server's site.
const reduceMotion = (page, value) =>
  page.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value }]);
async function openPage({ answer, plant, inWorker, state = 'ready', motion, url = server.url,
                          viewport = { width: 640, height: 480 }, on = browser } = {}) {
  const context = await on.createBrowserContext();
  const page = await context.newPage();
  const close = page.close.bind(page);
  page.close = async () => { await close(); await context.close(); };
  await page.setViewport(viewport);
  if (motion) await reduceMotion(page, motion);
  if (!on.planted) {
    await page.evaluateOnNewDocument(listeningPosts);
    await page.evaluateOnNewDocument(watchPolicy);
  }
  if (plant) await page.evaluateOnNewDocument(plant);
  if (answer || inWorker) {
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const name = new URL(request.url()).pathname.slice(1);
      if (inWorker && name === 'show-worker.js') {
        request.respond({ status: 200, contentType: 'text/javascript', body:
          `(${inWorker})();\n${fs.readFileSync(path.join(site, name), 'utf8')}` });
      } else if (!answer || !answer(name, request)) {
        request.continue();
      }
    });
  }
  const logged = [];
  page.on('pageerror', (error) => logged.push(String(error)));
  await page.goto(url);
  await page.waitForSelector(`body[data-state="${state}"]`, { timeout: 20000 });
  return { page, logged };
}

async function start(page, button = '#start') {
  await page.evaluate(watchFrames, points, kinds, W, H);
  const clicked = Date.now();
  await page.click(button);
  return clicked;
}

const ending = (page) => page.evaluate(() => ({
  state: document.body.dataset.state,
  status: document.body.dataset.status,
  output: document.getElementById('output').textContent,
  text: document.getElementById('status').textContent,
  startable: !document.getElementById('start').disabled && document.getElementById('stage').hidden,
}));
const ended = (page, timeout, state = 'ended') =>
  page.waitForSelector(`body[data-state="${state}"]`, { timeout }).then(() => ending(page));
// Whether anything still sounds: every context closed, or silence.
const silent = (page) => page.evaluate(() =>
  window.quenthorPosts.audioContexts.every((c) => c.state === 'closed') ||
  window.quenthorPosts.loudness() === 0);
// The show runs: its strobe has reached a white phase and the picture after it.
const strobing = (page, timeout = 15000) => page.waitForFunction(() => {
  const names = (window.quenthorFrames || []).map((f) => f.name);
  const white = names.indexOf('white');
  return white >= 0 && names.slice(white).some((n) => n.startsWith('image'));
}, { timeout });

// One pass of the loop per browser frame, drawing only a picture that changed: it doesn't spin,
// nor run on timers between the frames, nor draw the same picture again (three frames in four
// show the one before).
function assertDrawnOnChange(frames) {
  const doubled = frames.filter((f, i) => i > 0 && f.draws - frames[i - 1].draws > 1).length;
  const seconds = (frames[frames.length - 1].time - frames[0].time) / 1000;
  const perSecond = frames.length / seconds;
  const draws = (frames[frames.length - 1].draws - frames[0].draws) / seconds;
  const changes = frames.filter((f, i) => i > 0 && f.name !== frames[i - 1].name).length / seconds;
  assert.ok(perSecond > 20, `${perSecond} browser frames a second`);
  assert.ok(draws >= changes * 0.8 && draws <= changes * 1.25 + 1,
            `${draws} draws a second for ${changes} changes of picture and ${perSecond} frames`);
  assert.ok(doubled <= frames.length / 50, `${doubled} of ${frames.length} frames drew twice`);
}

// Each engine's browser, launched for its first row, with the site it opens ({ on, url }, as
// openPage takes them; WebKitGTK's a copy with the listening posts planted in it).
const engines = {};
const copies = [];
function inEngine(name) {
  engines[name] = engines[name] || (async () => {
    const on = name === 'chromium' ? browser : await launchers[name]();
    if (!on.planted) return { on, url: server.url, site };
    copies.push(plantedCopy(site, [listeningPosts, watchPolicy]));
    const served = await serveSite(copies.at(-1));
    return { on, url: served.url, site: copies.at(-1), served };
  })();
  return engines[name];
}
// What a row can't see in an engine, said where it is left out.
const leftOut = (t, name, what) => limits[name] && limits[name][what] &&
  t.diagnostic(`${name} left out: ${limits[name][what]}`);

// An engine's row. Outside chromium a row has a second try: Firefox's headless frames now and
// then stall for seconds (a worker that draws nothing, an Escape heard after Stop's grace), and
// WebKitGTK's worker now and then stops on WebKit's own assertion (a third try for that, which
// WebDriver tells as a page crash). A row that breaks the page fails every try.
function engineTest(name, title, options, body) {
  test(title, { ...options, timeout: options.timeout * 3 }, async (t) => {
    if (name === 'chromium') return body(t);
    for (let tries = 1; ; tries++) {
      try {
        return await body(t);
      } catch (error) {
        if (tries >= (/page crash/.test(error.message) ? 3 : 2)) throw error;
        t.diagnostic(`${name}: try ${tries} failed (${String(error.message).split('\n')[0].slice(0, 300)}); once more`);
      }
    }
  });
}

// A copy of an engine's site on a server of its own, for a row that changes or stops it.
async function ownSite(name) {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-site-'));
  copies.push(copy);
  fs.cpSync((await inEngine(name)).site, copy, { recursive: true });
  return { copy, served: await serveSite(copy) };
}

before(async () => {
  assert.ok(points.length >= 6, 'too few points tell the pictures apart');
  server = await serveSite(site);
  browser = await launch({ width: 640, height: 480 });
});
after(async () => {
  for (const name of Object.keys(engines)) {
    const { on, served } = await engines[name].catch(() => ({}));
    if (on && on !== browser) await on.close();
    if (served) await served.close();
  }
  for (const copy of copies) fs.rmSync(copy, { recursive: true, force: true });
  if (browser) await browser.close();
  if (server) await server.close();
  // Anything still holding this process open is named, and fails the run within a minute.
  setTimeout(() => {
    console.error(`Still open after the rows: ${process.getActiveResourcesInfo().join(', ')}`);
    process.exit(1);
  }, 60000).unref();
});

for (const name of engineNames) {
  engineTest(name, `${name}: nothing is drawn or played before Start; then the strobe in order, paced by the ` +
       'browser\'s frames, with sound; another key goes on, Escape ends it with status 0',
       { timeout: 90000 }, async (t) => {
    const { page, logged } = await openPage(await inEngine(name));
    leftOut(t, name, 'pageErrors');
    await sleep(1500);
    const before = await page.evaluate(() => ({
      stageHidden: document.getElementById('stage').hidden,
      warning: document.querySelector('.warning').textContent,
      gl: window.quenthorPosts.glContexts, audio: window.quenthorPosts.audioContexts.length,
    }));
    assert.deepStrictEqual([before.stageHidden, before.gl, before.audio], [true, 0, 0]);
    assert.match(before.warning, /flash/);

    await start(page);
    const loudness = [];
    let state = '';
    for (let i = 0; i < 20; i++) {
      await sleep(500);
      loudness.push(await page.evaluate(() => window.quenthorPosts.loudness()));
      state = await page.evaluate(() => window.quenthorPosts.audioContexts.map((c) => c.state).join());
    }
    assert.strictEqual(state, 'running', 'one audio context, running');
    // At the song's rate, which the browser converts to the device's: not the show.
    assert.deepStrictEqual(await page.evaluate(() => window.quenthorPosts.askedRates), [44100]);
    assert.ok(Math.max(...loudness) > 0.02, `the sound is silent: ${loudness}`);

    await page.keyboard.press('KeyA');
    await sleep(1000);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running',
                       'another key ended the show');
    const frames = await page.evaluate(() => window.quenthorFrames);
    const pressed = Date.now();
    await page.keyboard.press('Escape');
    // Firefox's Escape first leaves its fullscreen, which the page takes as Stop; the worker's
    // frames can wait out that change, so the show there has the Stop's time to hear it.
    const escapeTime = name === 'firefox' ? 2000 : 1000;
    const result = await ended(page, escapeTime).catch(async (error) => {
      throw new Error(`${error.message}: ${JSON.stringify(await ending(page))}`);
    });
    assert.ok(Date.now() - pressed < escapeTime);
    assert.deepStrictEqual([result.status, result.output], ['0', '']);
    assert.match(result.text, /ended \(status 0\)/);
    await sleep(300);
    const after = await page.evaluate(() => ({
      states: window.quenthorPosts.audioContexts.map((c) => c.state).join(),
      loudness: window.quenthorPosts.loudness(),
    }));
    assert.ok(after.states === 'closed' || after.loudness === 0, `sound after the end: ${after.states}`);
    assert.deepStrictEqual(logged, []);
    assert.deepStrictEqual(await page.evaluate(() => window.quenthorBreaches), [],
                           'the page breached its own Content-Security-Policy');

    // The frames as phases: [name, first frame's time, frames].
    const phases = [];
    for (const frame of frames.slice(frames.findIndex((f) => f.name !== 'blank'))) {
      const last = phases[phases.length - 1];
      if (last && last.name === frame.name) { last.frames++; last.end = frame.time; continue; }
      phases.push({ name: frame.name, start: frame.time, end: frame.time, frames: 1 });
    }
    const names = phases.map((p) => p.name);
    const summary = phases.map((p) => `${p.name}@${Math.round(p.start - phases[0].start)}`).join(' ');
    assert.strictEqual(names[0], 'black', summary);
    assert.ok(!names.includes('other'), summary);
    // After black, white and a picture take turns; the pictures in order 1, 2, 3. The show's clock
    // starts a phase before the first white (the black before it may last longer: the song loads).
    phases.slice(1).forEach((phase, index) => {
      assert.strictEqual(phase.name.startsWith('image'), index % 2 === 1, `phase ${index + 1}: ${summary}`);
    });
    const pictureOrder = names.filter((n) => n.startsWith('image'));
    assert.deepStrictEqual(pictureOrder, [...pictureOrder].sort(), summary);
    const origin = phases[1].start - 1000 / 15;
    const first = (name) => phases.find((p) => p.name === name).start - origin;
    assert.ok(Math.abs(first('image2') - 4000) < 300, `image 2 from ${first('image2')} ms: ${summary}`);
    assert.ok(Math.abs(first('image3') - 8000) < 300, `image 3 from ${first('image3')} ms: ${summary}`);
    // Whole phases (not the first or the last) last over 50 ms of show time: four frames at 60 Hz,
    // seen here as three to five as the browser's frames come, fewer but longer ones on a loaded
    // machine; never a single 60 Hz frame.
    const whole = phases.slice(1, -1);
    const lengths = whole.map((p, i) => phases[i + 2].start - p.start);
    const mean = lengths.reduce((a, b) => a + b, 0) / lengths.length;
    // Firefox and WebKitGTK bring a worker's canvas to the page on their own schedule, so the
    // page's frames, where it is read, now and then see one phase a frame late and the next short.
    const short = lengths.filter((length) => length < 30).length;
    assert.ok(short <= (name === 'chromium' ? 0 : lengths.length / 20),
              `${short} phases under 30 ms: ${summary}`);
    assert.ok(mean > 55 && mean < 100, `phases of ${mean} ms on average: ${summary}`);
    assertDrawnOnChange(frames);

    // Start again: a fresh show, ended by the Stop button as a phone would.
    await start(page);
    await page.waitForFunction(() => window.quenthorFrames.some((f) => f.name === 'white'));
    await page.click('#stop');
    assert.strictEqual((await ended(page, 1000)).status, '0');
    await page.close();
  });
}

test('without WebGL (as where chromium has no software fallback for it): the strobe on a 2D ' +
     'canvas, each change of picture drawn once; Escape ends it with status 0',
     { timeout: 90000 }, async () => {
  const plain = await launch({ width: 640, height: 480, webgl: false });
  try {
    const { page, logged } = await openPage({ on: plain });
    await start(page);
    await page.waitForFunction(() => window.quenthorFrames.some((f) => f.name === 'image1'),
                               { timeout: 30000 });
    await sleep(2000);
    const frames = await page.evaluate(() => window.quenthorFrames);
    assert.ok(await page.evaluate(() => !window.quenthorPosts.gl), 'a WebGL context');
    await page.keyboard.press('Escape');
    assert.strictEqual((await ended(page, 2000)).status, '0');
    const names = frames.map((f) => f.name);
    assert.ok(names.includes('white') && names.includes('image1') && !names.includes('other'),
              names.join());
    assertDrawnOnChange(frames.slice(names.indexOf('white')));
    assert.deepStrictEqual(logged, []);
  } finally {
    await plain.close();
  }
});

// The song the page is given in place of ours: one it can't find or read ends the show with the
// sound library's line and status 1; one in another format a song of the show may come in (ours
// is S3M) plays. The page reads no other format: the rest of libopenmpt's readers would be a
// seventh of its weight.
// The failure row every engine runs: the song missing from the site (a copy of it), then put
// back: the sound library's line and status 1, nothing sounding after, and Start runs the show.
for (const name of engineNames) {
  engineTest(name, `${name}: a missing song: the sound library's line on the page and status 1; once it is ` +
       'back, Start runs the show', { timeout: 90000 }, async () => {
    const { copy, served } = await ownSite(name);
    const song = path.join(copy, 'Terminal.s3m');
    fs.renameSync(song, song + '.away');
    try {
      const { page } = await openPage({ on: (await inEngine(name)).on, url: served.url });
      await start(page);
      const result = await ended(page, 10000);
      assert.deepStrictEqual([result.status, result.output], ['1', 'File not found\n']);
      assert.match(result.text, /status 1/);
      assert.ok(result.startable, 'Start is not offered again');
      assert.ok(await silent(page), 'the sound goes on after the failure');
      fs.renameSync(song + '.away', song);
      await start(page);
      await strobing(page);
      await page.keyboard.press('Escape');
      assert.strictEqual((await ended(page, 2000)).status, '0');
      await page.close();
    } finally {
      await served.close();
    }
  });
}

for (const [name, body, line] of [
  ['a broken song', Buffer.from('This is not a tracker module at all.\n'.repeat(40)), 'Unknown file format'],
  ['a 669 song (a format the page doesn\'t read)', songs.composer669(), 'Unknown file format'],
  ['a MOD song', songs.mod()],
  ['an XM song', songs.xm()],
  ['an IT song', songs.it()],
]) {
  test(line ? `${name}: the sound library's line on the page and status 1` : `${name} plays`,
       { timeout: 60000 }, async () => {
    const { page } = await openPage({ answer: (file, request) => {
      if (file !== 'Terminal.s3m') return false;
      if (body) request.respond({ status: 200, contentType: 'application/octet-stream', body });
      else request.respond({ status: 404, body: '' });
      return true;
    } });
    await page.click('#start');
    if (line) {
      const result = await ended(page, 10000);
      assert.deepStrictEqual([result.status, result.output], ['1', `${line}\n`]);
      assert.match(result.text, /status 1/);
    } else {
      await page.waitForFunction(() => window.quenthorPosts.loudness() > 0.02, { timeout: 10000 })
        .catch(async () => assert.fail(`silent: ${JSON.stringify(await ending(page))}`));
      await page.keyboard.press('Escape');
      const result = await ended(page, 2000);
      assert.deepStrictEqual([result.status, result.output], ['0', '']);
    }
    await page.close();
  });
}

// Every way loading or running the show can fail, one row each: how it is planted (a request
// answered otherwise, or a script before the page's), where the page must come to, what it says.
// After each, nothing sounds; where a retry can help (once) Start runs the show whole.
const emptyModule = Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]);
const once = (file, reply) => {
  let done = false;
  return (name, request) => {
    if (name !== file || done) return false;
    done = true;
    reply(request);
    return true;
  };
};
const never = (file) => once(file, () => {});  // the request is left unanswered
// A fault planted in the show's worker (inWorker) strikes once the worker is told.
const faultInWorker = () => { window.quenthorPosts.workers.at(-1).postMessage({ fault: true }); };
const failures = [
  { name: 'quenthor.js answers 404', loaded: 'broken', text: /quenthor\.js could not be fetched/,
    answer: once('quenthor.js', (r) => r.respond({ status: 404, body: '' })), retry: true },
  { name: 'the wasm is refused', loaded: 'broken', text: /quenthor\.wasm could not be fetched/,
    answer: once('quenthor.wasm', (r) => r.abort('connectionrefused')), retry: true },
  { name: 'the wasm answers 404', loaded: 'broken', text: /quenthor\.wasm could not be fetched \(HTTP 404\)/,
    answer: once('quenthor.wasm', (r) => r.respond({ status: 404, body: '' })), retry: true },
  { name: 'a corrupt wasm', loaded: 'broken', text: /could not be loaded: .*(compile|magic|section)/i,
    answer: once('quenthor.wasm', (r) => r.respond({
      status: 200, contentType: 'application/wasm', body: Buffer.from('corrupt '.repeat(64)) })),
    retry: true },
  { name: 'a foreign wasm', loaded: 'broken', text: /quenthor\.wasm is not the show/,
    answer: once('quenthor.wasm', (r) => r.respond({
      status: 200, contentType: 'application/wasm', body: emptyModule })), retry: true },
  { name: 'a browser that can\'t hand a canvas to a worker', loaded: 'broken',
    text: /can't draw from a worker \(it needs OffscreenCanvas/,
    plant: () => { delete HTMLCanvasElement.prototype.transferControlToOffscreen; } },
  { name: 'instantiation rejects', ended: 'failed', text: /could not be started: planted refusal/,
    recompiles: true,
    inWorker: () => {
      const instantiate = WebAssembly.instantiate;
      let refused = false;
      WebAssembly.instantiate = (...args) => {
        if (refused) return instantiate(...args);
        refused = true;
        return Promise.reject(new Error('planted refusal'));
      };
    }, retry: true },
  { name: 'the song never answers', ended: 'ended', status: '1', output: 'File not found\n',
    text: /status 1/, answer: never('Terminal.s3m'), wait: 20000 },
  { name: 'a picture never answers', runs: true, answer: never('min.raw'), wait: 20000 },
  { name: 'no audio worklets, as in a page not served securely: the sound goes through the page',
    runs: true, loud: true, plant: () => {
      Object.defineProperty(BaseAudioContext.prototype, 'audioWorklet', { get: () => undefined });
    } },
  { name: 'the wasm served as application/octet-stream', runs: true,
    answer: (name, request) => {
      if (name !== 'quenthor.wasm') return false;
      request.respond({ status: 200, contentType: 'application/octet-stream',
                        body: fs.readFileSync(path.join(site, 'quenthor.wasm')) });
      return true;
    } },
  { name: 'an exception inside the running show', ended: 'failed', strobeFirst: true,
    text: /internal error: .*planted fault/, recompiles: true,
    inWorker: () => {
      let fault = false;
      addEventListener('message', (event) => { fault = fault || !!event.data.fault; });
      const now = performance.now.bind(performance);
      performance.now = () => {
        if (fault) {
          fault = false;
          throw new Error('planted fault');
        }
        return now();
      };
    }, fault: faultInWorker,
    retry: true },
  { name: 'Stop while the song never answers', ended: 'failed', text: /stopped before it began/,
    answer: never('Terminal.s3m'), stop: true, retry: true },
  { name: 'Stop on a show that no longer hears Escape', ended: 'failed', strobeFirst: true,
    text: /was stopped/,
    inWorker: () => {
      let deaf = false;
      addEventListener('message', (event) => {
        deaf = deaf || !!event.data.fault;
        if (deaf && event.data.event && event.data.event.keyCode === 27) event.stopImmediatePropagation();
      });
    }, fault: faultInWorker,
    stop: true },
];

for (const row of failures) {
  test(`never stuck: ${row.name}`, { timeout: 90000 }, async () => {
    const { page } = await openPage({ answer: row.answer, plant: row.plant, inWorker: row.inWorker,
                                      state: row.loaded || 'ready' });
    // The page's own fetches of the wasm (not the service worker's, which keeps the site).
    let compiled = 0;
    page.on('request', (request) => {
      compiled += request.url().endsWith('/quenthor.wasm') && request.frame() === page.mainFrame();
    });
    if (row.loaded) {
      const said = await ending(page);
      assert.match(said.text, row.text);
      assert.ok(said.startable, 'Start is not offered again');
    } else {
      compiled = 0;
      await start(page);
      if (row.strobeFirst) {
        await strobing(page);
        await page.evaluate(row.fault);
      }
      if (row.stop) {
        await sleep(500);
        const pressed = Date.now();
        await page.click('#stop');
        await ended(page, 2000, row.ended);
        assert.ok(Date.now() - pressed < 2000, 'Stop took too long');
      }
      if (row.runs) {
        await strobing(page, row.wait || 15000);
        if (row.loud) {
          await page.waitForFunction(() => window.quenthorPosts.loudness() > 0.02, { timeout: 5000 })
            .catch(() => assert.fail('silent'));
        }
        await page.keyboard.press('Escape');
        assert.strictEqual((await ended(page, 2000)).status, '0');
      } else {
        const said = await ended(page, row.wait || 10000, row.ended);
        assert.match(said.text, row.text);
        if (row.output !== undefined) assert.strictEqual(said.output, row.output);
        assert.strictEqual(said.status, row.status);
        assert.ok(said.startable, 'Start is not offered again');
        await sleep(300);
        assert.ok(await silent(page), 'the sound goes on after the failure');
        const draws = await page.evaluate(() => window.quenthorPosts.draws);
        await sleep(300);
        assert.strictEqual(await page.evaluate(() => window.quenthorPosts.draws), draws,
                           'the show still draws after the failure');
        // A show that failed forgets the wasm it was given (it may be another version's): the
        // next Start compiles it afresh. One only stopped keeps it.
        assert.strictEqual(compiled, row.recompiles ? 1 : 0, 'the wasm fetched again');
      }
    }
    if (row.retry) {
      await start(page);
      await strobing(page);
      await page.keyboard.press('Escape');
      assert.strictEqual((await ended(page, 2000)).status, '0');
    }
    await page.close();
  });
}

test('a page hidden while the show waits for a frame goes on by its timer', { timeout: 60000 },
     async () => {
  // Hidden: the show's worker gets no more frames, not even the one already asked for;
  // document.hidden says so, and the event that tells of it comes.
  const { page } = await openPage({ inWorker: () => {
    let hidden = false;
    addEventListener('message', (event) => { hidden = hidden || !!event.data.shut; });
    const real = self.requestAnimationFrame.bind(self);
    self.requestAnimationFrame = (callback) => real((time) => { if (!hidden) callback(time); });
  } });
  await start(page);
  await strobing(page);
  await page.evaluate(() => {
    window.quenthorPosts.workers.at(-1).postMessage({ shut: true });
    Object.defineProperty(document, 'hidden', { get: () => true });
    Object.defineProperty(document, 'visibilityState', { get: () => 'hidden' });
    document.dispatchEvent(new Event('visibilitychange'));
  });
  const before = await page.evaluate(() => window.quenthorPosts.draws);
  await sleep(1500);
  const after = await page.evaluate(() => window.quenthorPosts.draws);
  assert.ok(after - before >= 5, `${after - before} pictures in 1.5 s while hidden`);
  await page.keyboard.press('Escape');
  assert.strictEqual((await ended(page, 2000)).status, '0');
  await page.close();
});

test('after one visit the page and the show work offline; a new version replaces the kept one',
     { timeout: 120000 }, async (t) => {
  // A copy of the site, so that a new version of it can be built in place.
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-site-'));
  fs.cpSync(site, copy, { recursive: true });
  const served = await serveSite(copy);
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    await page.setViewport({ width: 640, height: 480 });
    await page.evaluateOnNewDocument(listeningPosts);
    const kept = () => page.evaluate(async () => {
      const names = await caches.keys();
      const files = await Promise.all(names.map(async (name) =>
        (await (await caches.open(name)).keys()).map((r) => new URL(r.url).pathname)));
      return names.map((name, i) => ({ name, files: files[i].sort() }));
    });
    // The cache a build of the site fills: named for the worker's scope and the version.
    const listed = (folder) => `quenthor ${served.url} ` +
      fs.readFileSync(path.join(folder, 'service-worker.js'), 'utf8').match(/const version = '([0-9a-f]+)'/)[1];
    const rebuild = () => execFileSync('cmake', [`-DSITE=${copy}`,
      `-DTEMPLATE=${path.join(sources, 'web/service-worker.js')}`, '-P', path.join(sources, 'web/service-worker.cmake')]);
    // The open tab looks for a new version, as a browser does now and then: the new worker's end.
    const update = () => page.evaluate(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      await registration.update();
      const worker = registration.installing;
      return worker ? new Promise((resolve) => {
        const settled = () => /activated|redundant/.test(worker.state) && resolve(worker.state);
        worker.addEventListener('statechange', settled);
        settled();
      }) : 'none';
    });
    await page.goto(served.url);
    await page.waitForSelector('body[data-state="ready"]', { timeout: 20000 });
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForFunction(async () => (await caches.keys()).length === 1);
    const first = await kept();
    const everything = ['/', ...fs.readdirSync(copy, { recursive: true })
      .filter((name) => fs.statSync(path.join(copy, name)).isFile() && name !== 'service-worker.js')
      .map((name) => '/' + name.split(path.sep).join('/'))].sort();
    assert.deepStrictEqual(first.map((c) => c.name), [listed(copy)]);
    // Installable: the browser finds nothing wanting in the manifest, its icons or the worker.
    const { installabilityErrors } =
      await (await page.createCDPSession()).send('Page.getInstallabilityErrors');
    // (The test's own fresh profile is an incognito one, which no site can be installed from.)
    assert.deepStrictEqual(installabilityErrors.filter((e) => e.errorId !== 'in-incognito'), []);
    assert.deepStrictEqual(first[0].files, everything);

    // Cut off: a reload, a Start, the strobe and its sound.
    await page.setOfflineMode(true);
    await page.reload();
    await page.waitForSelector('body[data-state="ready"]', { timeout: 20000 });
    await page.evaluate(() => { window.quenthorClicked = performance.now(); });
    await start(page);
    await strobing(page);
    const firstFrame = await page.evaluate(() =>
      window.quenthorFrames.find((f) => f.name !== 'blank').time - window.quenthorClicked);
    t.diagnostic(`offline: the first frame ${Math.round(firstFrame)} ms after Start`);
    await sleep(1000);
    assert.ok(await page.evaluate(() => window.quenthorPosts.loudness()) > 0.02, 'offline: no sound');
    await page.keyboard.press('Escape');
    assert.strictEqual((await ended(page, 2000)).status, '0');

    // New builds of the site, taken over by the tab kept open, each version's page.js marked.
    // The page takes a new version whole by a reload, never its old page.js with the new worker
    // and wasm: when the running show ends (saying still how it ended), and at once when idle.
    // Its version replaces the one kept, and the caches of versions before scopes were named.
    await page.setOfflineMode(false);
    const newVersion = (mark) => {
      fs.appendFileSync(path.join(copy, 'page.js'), `\nwindow.quenthorSiteMark = '${mark}';\n`);
      rebuild();
    };
    const marked = (mark) => page.waitForFunction((m) => window.quenthorSiteMark === m &&
      document.body.dataset.state !== 'loading', { timeout: 20000 }, mark);
    newVersion('two');
    assert.notStrictEqual(listed(copy), first[0].name);
    await page.evaluate(() => caches.open('quenthor-0123456789abcdef'));
    await start(page);
    await strobing(page);
    assert.strictEqual(await update(), 'activated');
    const frames = await page.evaluate(() => window.quenthorFrames.length);
    await sleep(500);
    assert.ok(await page.evaluate((n) => window.quenthorFrames.length > n + 10 &&
                                  window.quenthorSiteMark === undefined, frames),
              'the running show was cut short by the new version');
    await page.keyboard.press('Escape');
    await marked('two');
    assert.deepStrictEqual(await ending(page), { state: 'ended', status: '0', output: '',
      text: 'The show ended (status 0).', startable: true });
    assert.deepStrictEqual(await kept(), [{ name: listed(copy), files: everything }]);
    await start(page);
    await strobing(page);
    await page.keyboard.press('Escape');
    assert.strictEqual((await ended(page, 2000)).status, '0');
    newVersion('three');
    assert.strictEqual(await update(), 'activated');
    await marked('three');
    assert.strictEqual((await ending(page)).status, '0');

    // A version whose files don't all match its digests (a deploy caught half-way) is not
    // installed: the one before stays.
    const second = listed(copy);
    fs.appendFileSync(path.join(copy, 'page.css'), '\n/* a third version */\n');
    rebuild();
    fs.appendFileSync(path.join(copy, 'page.js'), '\n// changed after the build\n');
    assert.strictEqual(await update(), 'redundant');
    assert.deepStrictEqual((await kept()).map((c) => c.name), [second]);
    await page.close();
  } finally {
    await context.close();
    await served.close();
    fs.rmSync(copy, { recursive: true, force: true });
  }
});

// Offline after one visit in the other engines (chromium's row above does more): every file kept,
// then the server gone, a reload, Start, the strobe with its sound, and Escape.
for (const name of engineNames.filter((engine) => engine !== 'chromium')) {
  engineTest(name, `${name}: after one visit the page and the show work offline`, { timeout: 90000 }, async () => {
    const { copy, served } = await ownSite(name);
    let open = true;
    try {
      const { page } = await openPage({ on: (await inEngine(name)).on, url: served.url });
      const files = fs.readdirSync(copy, { recursive: true })
        .filter((file) => fs.statSync(path.join(copy, file)).isFile() && file !== 'service-worker.js');
      await page.waitForFunction(async (count) => {
        const names = await caches.keys();
        return names.length === 1 && (await (await caches.open(names[0])).keys()).length === count;
      }, { timeout: 30000 }, files.length + 1);
      await served.close();
      open = false;
      await page.reload();
      await page.waitForSelector('body[data-state="ready"]', { timeout: 20000 });
      await start(page);
      await strobing(page);
      await page.waitForFunction(() => window.quenthorPosts.loudness() > 0.02, { timeout: 5000 })
        .catch(() => assert.fail('offline: no sound'));
      await page.keyboard.press('Escape');
      assert.strictEqual((await ended(page, 2000)).status, '0');
      await page.close();
    } finally {
      if (open) await served.close();
    }
  });
}

test('two versions of the site at two places on one origin keep their own offline copies',
     { timeout: 60000 }, async () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-sites-'));
  for (const copy of ['one', 'two']) fs.cpSync(site, path.join(root, copy), { recursive: true });
  fs.appendFileSync(path.join(root, 'two', 'page.css'), '\n/* another version */\n');
  execFileSync('cmake', [`-DSITE=${path.join(root, 'two')}`, `-DTEMPLATE=${path.join(sources, 'web/service-worker.js')}`,
                         '-P', path.join(sources, 'web/service-worker.cmake')]);
  const served = await serveSite(root);
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    for (const copy of ['one', 'two']) {
      await page.goto(`${served.url}${copy}/`);
      await page.waitForSelector('body[data-state="ready"]', { timeout: 20000 });
      await page.evaluate(() => navigator.serviceWorker.ready);
    }
    const version = (copy) => fs.readFileSync(path.join(root, copy, 'service-worker.js'), 'utf8')
      .match(/const version = '([0-9a-f]+)'/)[1];
    await page.waitForFunction(async () => (await caches.keys()).length === 2, { timeout: 20000 })
      .catch(() => {});
    assert.deepStrictEqual((await page.evaluate(() => caches.keys())).sort(),
                           ['one', 'two'].map((copy) => `quenthor ${served.url}${copy}/ ${version(copy)}`));
  } finally {
    await context.close();
    await served.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
});

// Phones: a browser that lets sound start only inside a gesture, a touch screen three device
// pixels to a page pixel.
for (const [shape, width, height] of [['portrait', 390, 844], ['landscape', 844, 390]]) {
  test(`a phone in ${shape}: a tap starts the show with sound, the picture as large as the ` +
       'screen allows, sharp and centred on black, also once turned or at another density; a tap ' +
       'on Stop ends it',
       { timeout: 90000 }, async () => {
    const phone = await launch({ width, height, gestures: true });
    try {
      const { page } = await openPage({ on: phone, viewport: {
        width, height, deviceScaleFactor: 3, isMobile: true, hasTouch: true } });
      await page.tap('#start');
      await page.evaluate(watchFrames, points, kinds, W, H);
      await page.waitForFunction(() => (window.quenthorFrames || []).some((f) => f.name === 'white'),
                                 { timeout: 15000 });
      await sleep(1500);
      const sound = await page.evaluate(() => ({
        states: window.quenthorPosts.audioContexts.map((c) => c.state),
        startedIn: window.quenthorPosts.startedIn,
        loudness: window.quenthorPosts.loudness(),
      }));
      assert.deepStrictEqual(sound.states, ['running'], 'one audio context, running');
      assert.ok(sound.startedIn[0].some((type) => /^(click|touchend|pointerup)$/.test(type)),
                `the sound was not started inside the tap: ${JSON.stringify(sound.startedIn)}`);
      assert.ok(sound.loudness > 0.02, `the sound is silent: ${sound.loudness}`);

      // The canvas holds the picture at its own size, and the page shows it as the largest whole
      // multiple of 320x240 that fits the screen in the screen's own pixels, sharp, in the
      // middle, on black; and so again once the phone is turned while the show runs, and once
      // the screen's density changes with no resize (a window moved to another monitor).
      const looksPlaced = async (when) => {
        const place = await page.evaluate(() => {
          const canvas = document.getElementById('canvas');
          const box = canvas.getBoundingClientRect();
          return { canvas: [canvas.width, canvas.height],
                   shown: [box.left, box.top, box.width, box.height],
                   sampling: getComputedStyle(canvas).imageRendering,
                   stage: getComputedStyle(document.getElementById('stage')).backgroundColor,
                   page: [innerWidth, innerHeight, devicePixelRatio] };
        });
        const seen = `${when}: ${JSON.stringify(place)}`;
        const [pageWidth, pageHeight, ratio] = place.page;
        assert.deepStrictEqual(place.canvas, [W, H], `the canvas is not the picture's size ${seen}`);
        const scale = Math.min(Math.floor(pageWidth * ratio / W), Math.floor(pageHeight * ratio / H));
        assert.ok(scale >= 2, seen);
        const [left, top, across, down] = place.shown;
        assert.ok(Math.abs(across * ratio - W * scale) < 0.5 && Math.abs(down * ratio - H * scale) < 0.5,
                  `not the largest whole multiple ${seen}`);
        assert.ok(Math.abs(left * 2 + across - pageWidth) <= 1 &&
                  Math.abs(top * 2 + down - pageHeight) <= 1, `not centred ${seen}`);
        assert.ok(/pixelated|crisp-edges/.test(place.sampling), `not sharp ${seen}`);
        assert.strictEqual(place.stage, 'rgb(0, 0, 0)', `around the picture is not black ${seen}`);
      };
      await looksPlaced('at the start');
      await page.screenshot({ path: path.join(os.tmpdir(), `quenthor-phone-${shape}.png`) });
      await page.setViewport({ width: height, height: width, deviceScaleFactor: 3, isMobile: true,
                               hasTouch: true });
      await sleep(500);
      await looksPlaced('turned');
      await page.setViewport({ width: height, height: width, deviceScaleFactor: 2.5, isMobile: true,
                               hasTouch: true });
      await sleep(500);
      await looksPlaced('at another density');

      await page.tap('#stop');
      assert.strictEqual((await ended(page, 2000)).status, '0');
      await page.close();
    } finally {
      await phone.close();
    }
  });
}

test('on a desktop, Escape reaches the show with no click on it first, and no key scrolls the ' +
     'page', { timeout: 60000 }, async () => {
  const { page } = await openPage({ viewport: { width: 640, height: 300 } });
  await page.evaluate(() => {
    window.quenthorKeys = [];
    window.addEventListener('keydown', (event) =>
      setTimeout(() => window.quenthorKeys.push([event.key, event.defaultPrevented])));
  });
  await page.focus('#start');
  await page.keyboard.press('Enter');
  await page.evaluate(watchFrames, points, kinds, W, H);
  await strobing(page);
  await page.evaluate(() => { window.quenthorKeys = []; });
  for (const key of ['Space', 'ArrowDown', 'PageDown', 'End', 'ArrowRight', 'Tab'])
    await page.keyboard.press(key);
  await sleep(200);
  const keys = await page.evaluate(() => window.quenthorKeys);
  assert.deepStrictEqual(keys.filter(([, prevented]) => !prevented), [], 'keys left to scroll the page');
  assert.deepStrictEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0]);
  await page.keyboard.press('Escape');
  assert.strictEqual((await ended(page, 1000)).status, '0');
  await page.close();
});

// The viewer's reduce-motion setting as the page opens, then changed while it is open (each in
// turn): which button comes first and has the focus, the sentence that says why, and what Enter
// (or a tap on the first button) starts: the show's worker asked for gentle viewing, and no white
// phase on the canvas, while the plain show's first white comes within a second. With no
// setting the page is as it was: Start first, nothing focused, Enter starts nothing.
const askedGentle = () => {
  const post = Worker.prototype.postMessage;
  window.quenthorAsked = [];
  Worker.prototype.postMessage = function (message, ...rest) {
    if (message && message.start) window.quenthorAsked.push(message.start.gentle);
    return post.call(this, message, ...rest);
  };
};
for (const row of [
  { motion: ['no-preference'], first: 'start', focused: 'BODY' },
  { motion: ['reduce'], first: 'gentle', focused: 'gentle', because: true },
  { motion: ['no-preference', 'reduce'], first: 'gentle', focused: 'gentle', because: true },
  // Turned off: Start first again, but the focus stays where it was, on the gentle one.
  { motion: ['reduce', 'no-preference'], first: 'start', focused: 'gentle', because: false },
  { motion: ['reduce'], tap: true, first: 'gentle', focused: 'gentle', because: true },
]) {
  test(`reduced motion ${row.motion.join(', then ')}: ${row.first} first, ${row.focused} focused; ` +
       `${row.tap ? 'a tap on the first button' : 'Enter'} starts ` +
       `${row.because === undefined ? 'nothing' : 'the show without flashing'}`,
       { timeout: 60000 }, async () => {
    const { page } = await openPage({ plant: askedGentle, motion: row.motion[0], viewport: {
      width: 640, height: 480, hasTouch: !!row.tap } });
    // The media query's change comes with the page's next rendering, before its frame callbacks.
    for (const value of row.motion.slice(1)) {
      await reduceMotion(page, value);
      await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    }
    const seen = await page.evaluate(() => ({
      first: document.querySelector('.controls button').id,
      focused: document.activeElement.id || document.activeElement.tagName,
      why: document.getElementById('reduced-motion').hidden ? ''
        : document.getElementById('reduced-motion').textContent,
    }));
    assert.deepStrictEqual([seen.first, seen.focused], [row.first, row.focused]);
    assert.strictEqual(/asks for reduced motion/.test(seen.why), row.first === 'gentle', seen.why);
    await page.evaluate(watchFrames, points, kinds, W, H);
    if (row.tap) await page.tap('.controls button');
    else await page.keyboard.press('Enter');
    if (row.because === undefined) {
      await sleep(1000);
      assert.deepStrictEqual(await page.evaluate(() => [document.body.dataset.state, window.quenthorAsked]),
                             ['ready', []]);
      await page.close();
      return;
    }
    await page.waitForFunction(() => window.quenthorPosts.draws > 0, { timeout: 15000 });
    await sleep(2500);
    const [asked, names, line] = await page.evaluate(() => [window.quenthorAsked,
      window.quenthorFrames.map((f) => f.name), document.getElementById('status').textContent]);
    assert.deepStrictEqual(asked, [true]);
    assert.ok(names.length > 30 && !names.includes('white'), names.join());
    await page.keyboard.press('Escape');
    const result = await ended(page, 2000);
    assert.strictEqual(result.status, '0');
    for (const said of [line, result.text])
      assert.strictEqual(/without flashing: your system asks for reduced motion/.test(said), row.because, said);
    await page.close();
  });
}

test('the site\'s server: files inside it only, a bad escape refused, reading only and only under ' +
     'its own names, the page\'s policy in a header that forbids framing, and it goes on',
     async () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-served-'));
  fs.mkdirSync(path.join(root, 'site'));
  fs.mkdirSync(path.join(root, 'site-private'));
  fs.writeFileSync(path.join(root, 'site', 'index.html'), 'page');
  fs.writeFileSync(path.join(root, 'site-private', 'secret.txt'), 'secret');
  const served = await serveSite(path.join(root, 'site'));
  const port = Number(new URL(served.url).port);
  const get = (name, { method = 'GET', host } = {}) => new Promise((resolve, reject) =>
    http.request(served.url + name, { method, headers: host ? { Host: host } : {} }, (response) => {
      let body = '';
      response.on('data', (bytes) => { body += bytes; });
      response.on('end', () => resolve([response.statusCode, body, response.headers]));
    }).on('error', reject).end());
  try {
    for (const [name, status, asked = {}] of [
      ['', 200], ['index.html', 200], ['..%2fsite-private/secret.txt', 404],
      ['%2e%2e/site-private/secret.txt', 404], ['..%5csite-private/secret.txt', 404],
      ['%E0%A4%A', 400], ['%00', 400], ['nothing.txt', 404], ['index.html', 200],
      ['index.html', 405, { method: 'POST' }], ['index.html', 405, { method: 'DELETE' }],
      ['index.html', 200, { method: 'HEAD' }], ['index.html', 200, { host: `localhost:${port}` }],
      // A name rebound to this machine (DNS rebinding), or the right one on another port.
      ['index.html', 421, { host: `rebound.example:${port}` }], ['index.html', 421, { host: '127.0.0.1' }],
    ]) {
      const [got, body, headers] = await get(name, asked);
      const seen = `${asked.method || 'GET'} /${name} as ${asked.host || 'itself'}`;
      assert.strictEqual(got, status, seen);
      assert.ok(!body.includes('secret'), `${seen} gave the secret`);
      if (status === 200) {
        assert.strictEqual(body, asked.method === 'HEAD' ? '' : 'page', seen);
        assert.strictEqual(headers['content-security-policy'], sitePolicy, seen);
      }
      if (status === 405) assert.strictEqual(headers.allow, 'GET, HEAD');
    }
    // The header is the page's own policy (the meta tag, for servers that send none), framing
    // forbidden.
    const meta = fs.readFileSync(path.join(sources, 'web/index.html'), 'utf8')
      .match(/http-equiv="Content-Security-Policy" content="([^"]+)"/)[1];
    assert.strictEqual(sitePolicy, `${meta}; frame-ancestors 'none'`);
    // A port taken is an error the caller hears of, not a silent end.
    await assert.rejects(serveSite(path.join(root, 'site'), { port }), /EADDRINUSE/);
  } finally {
    await served.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
});

// The meta tag binds only the page; the header binds the show's worker as well (its own response
// carries it): no script made from text there. Tried by the worker's own code (what DevTools
// runs is exempt), in a copy of the site, and served without the header to see the code try.
test('served by browser.js, the show\'s worker runs no eval and no script from data:',
     { timeout: 60000 }, async () => {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-site-'));
  fs.cpSync(site, copy, { recursive: true });
  const worker = path.join(copy, 'show-worker.js');
  fs.writeFileSync(worker, `addEventListener('message', (event) => {
    if (!event.data.probe) return;
    postMessage({ probed: [() => eval('1'), () => new Function('return 1')(),
                           () => importScripts('data:text/javascript,0')]
      .map((attempt) => { try { attempt(); return 'ran'; } catch (error) { return error.name; } }) });
  });\n${fs.readFileSync(worker, 'utf8')}`);
  try {
    for (const [policy, expected] of [[sitePolicy, ['EvalError', 'EvalError', 'NetworkError']],
                                      [null, ['ran', 'ran', 'ran']]]) {
      const served = await serveSite(copy, { policy });
      const { page } = await openPage({ url: served.url });
      const tried = await page.evaluate(() => new Promise((resolve) => {
        const shows = window.quenthorPosts.workers.at(-1);
        shows.addEventListener('message', (event) => event.data.probed && resolve(event.data.probed));
        shows.postMessage({ probe: true });
      }));
      await page.close();
      await served.close();
      assert.deepStrictEqual(tried, expected, policy ? 'with the header' : 'without it');
    }
  } finally {
    fs.rmSync(copy, { recursive: true, force: true });
  }
});

// In the page: each new picture the canvas shows at the page's frames, at half its size (a
// region of the flash check is still 26x20 pixels), as a PNG with its time, until
// quenthorPicturesEnd is set.
function capturePictures() {
  const copy = document.createElement('canvas');
  [copy.width, copy.height] = [160, 120];
  const context = copy.getContext('2d');
  window.quenthorPictures = [];
  let last = '';
  function look(time) {
    if (window.quenthorPicturesEnd) return;
    if (document.body.dataset.state === 'running' && window.quenthorPosts.draws) {
      context.drawImage(document.getElementById('canvas'), 0, 0, copy.width, copy.height);
      const picture = copy.toDataURL('image/png');
      if (picture !== last) window.quenthorPictures.push([time, picture]);
      last = picture;
    } else if (window.quenthorPictures.length) {
      return;
    }
    requestAnimationFrame(look);
  }
  requestAnimationFrame(look);
}

// The show as the page's frames see it for the given seconds, made a video by ffmpeg; resolves
// to the video and the picture's place in it. Chromium's is the recorder's (tools/web/record.js: what
// the browser composites, as a visitor sees it); the other engines have no screencast, so there
// the canvas is read at each of the page's frames.
async function recordShow(name, gentle, seconds, folder) {
  const video = path.join(folder, `${name}-${gentle ? 'gentle' : 'plain'}.mp4`);
  if (name === 'chromium') {
    execFileSync('node', [path.join(sources, 'tools/web/record.js'), site, String(seconds), video,
                          ...(gentle ? ['--gentle'] : [])], { stdio: ['ignore', 'ignore', 'pipe'] });
    // The picture's place, as the page puts it: the largest whole multiple of 320x240, centred
    // (the Stop button in the corner is no part of it).
    const [width, height] = execFileSync('ffprobe', ['-v', 'error', '-select_streams', 'v:0',
      '-show_entries', 'stream=width,height', '-of', 'csv=p=0', video], { encoding: 'utf8' })
      .trim().split(',').map(Number);
    const scale = Math.min(Math.floor(width / W), Math.floor(height / H));
    return [video, [(width - W * scale) >> 1, (height - H * scale) >> 1, W * scale, H * scale]];
  }
  const { page } = await openPage(await inEngine(name));
  await page.evaluate(capturePictures);
  await page.click(gentle ? '#gentle' : '#start');
  await sleep(seconds * 1000);
  // Reading the canvas as the show ends can stall Firefox's page for seconds, past Stop's grace:
  // the reading ends first.
  await page.evaluate(() => { window.quenthorPicturesEnd = true; });
  await sleep(100);
  await page.keyboard.press('Escape');
  assert.strictEqual((await ended(page, 2000)).status, '0');
  const pictures = [];
  for (let got = null; !got || got.length; pictures.push(...got))
    got = await page.evaluate((from) => window.quenthorPictures.slice(from, from + 40), pictures.length);
  await page.close();
  // Each picture lasts until the next; the last one a frame's time.
  const list = pictures.map(([time, picture], index) => {
    const file = path.join(folder, `${name}-${index}.png`);
    fs.writeFileSync(file, Buffer.from(picture.split(',')[1], 'base64'));
    const next = pictures[index + 1];
    return `file '${file}'\nduration ${((next ? next[0] - time : 1000 / 60) / 1000).toFixed(6)}`;
  });
  fs.writeFileSync(path.join(folder, 'list.txt'), list.join('\n') + `\nfile '${folder}/${name}-${pictures.length - 1}.png'\n`);
  execFileSync('ffmpeg', ['-y', '-loglevel', 'error', '-f', 'concat', '-safe', '0', '-i',
                          path.join(folder, 'list.txt'), '-pix_fmt', 'yuv420p', '-vsync', 'vfr',
                          '-c:v', 'libx264', '-preset', 'veryfast', video]);
  return [video, [0, 0, 160, 120]];
}

// The page's Start without flashing, recorded and judged by the flash check (QUENTHOR_FLASH_CHECK
// names the program, from the desktop build): its flash thresholds hold, and the plain Start,
// recorded the same way, breaks them.
for (const name of engineNames) {
  engineTest(name, `${name}: Start without flashing keeps within the flash thresholds, the plain Start breaks them`,
       { timeout: 240000 }, async (t) => {
    const check = process.env.QUENTHOR_FLASH_CHECK;
    if (!check) {
      t.skip('QUENTHOR_FLASH_CHECK is not set (scripts/test-web sets it)');
      return;
    }
    leftOut(t, name, 'screencast');
    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-gentle-'));
    try {
      for (const [gentle, expected, seconds] of [[true, 0, 10], [false, 1, 6]]) {
        const [video, area] = await recordShow(name, gentle, seconds, work);
        let status = 0, said = '';
        try {
          said = execFileSync(check, [video, '--area', area.join()], { encoding: 'utf8' });
        } catch (error) {
          status = error.status;
          said = String(error.stdout) + String(error.stderr);
        }
        t.diagnostic(`${gentle ? 'Start without flashing' : 'Start'}: ${said.trim().split('\n').join(' | ')}`);
        assert.strictEqual(status, expected, `${gentle ? 'gentle' : 'plain'}: ${said}`);
      }
    } finally {
      fs.rmSync(work, { recursive: true, force: true });
    }
  });
}

test('a recording of a show that fails fails with the show\'s line and status, and no video',
     { timeout: 120000 }, () => {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-site-'));
  try {
    fs.cpSync(site, copy, { recursive: true });
    fs.writeFileSync(path.join(copy, 'Terminal.s3m'), 'This is not a tracker module at all.\n'.repeat(40));
    const video = path.join(copy, 'recording.mp4');
    const run = spawnSync('node', [path.join(sources, 'tools/web/record.js'), copy, '4', video],
                          { encoding: 'utf8', timeout: 100000 });
    assert.strictEqual(run.status, 1, run.stderr);
    assert.match(run.stderr, /^Unknown file format$/m);
    assert.match(run.stderr, /status 1/);
    assert.strictEqual(run.stdout, '');
    assert.ok(!fs.existsSync(video), 'a video of a failed show');
  } finally {
    fs.rmSync(copy, { recursive: true, force: true });
  }
});
