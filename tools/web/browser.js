// What the recorder, the browser tests and ./run web share: the site served on 127.0.0.1 (a free port),
// Debian's chromium started headless through puppeteer-core, and the listening posts planted in
// the page before its own script runs (they only watch: the page and the show run as they are).
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.txt': 'text/plain; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.webmanifest': 'application/manifest+json', '.png': 'image/png',
};

// The file a request names inside root, or a status: 400 for a path that can't be decoded, 404
// for anything that isn't a file inside root (a resolved path, so ../ and %2f can't leave it).
function siteFile(root, url) {
  let name;
  try {
    name = decodeURIComponent(new URL(url, 'http://x').pathname);
  } catch (error) {
    return 400;
  }
  if (name.includes('\0')) return 400;
  const file = path.resolve(root, '.' + path.sep + (name.endsWith('/') ? name + 'index.html' : name));
  if (!file.startsWith(root + path.sep)) return 404;
  try {
    if (!fs.statSync(file).isFile()) return 404;
  } catch (error) {
    return 404;
  }
  return file;
}

// The page's Content-Security-Policy, sent as a header: unlike the page's meta tag (the same
// policy, for servers that send none) it covers the show's worker, whose own response carries
// it, and it can forbid framing. docs/web.md gives it to hosts.
const sitePolicy = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; " +
  "img-src 'self'; object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// A static server for the site folder; resolves to { url, close() }. A port taken or refused
// rejects with the system's reason. It reads only: GET and HEAD (405 otherwise), and only under
// its own names (421 for any other Host, so that a name rebound to this machine reads nothing).
// policy: the Content-Security-Policy every answer carries (none for a page of inline script).
function serveSite(root, { port = 0, host = '127.0.0.1', log = null, policy = sitePolicy } = {}) {
  root = path.resolve(root);
  let names = [];
  const refuse = (response, status, text, headers = {}) => {
    response.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8', ...headers });
    response.end(text + '\n');
  };
  const server = http.createServer((request, response) => {
    if (!names.includes(String(request.headers.host).toLowerCase())) {
      refuse(response, 421, 'Misdirected request');
      if (log) log(`421 ${request.headers.host} ${request.url}`);
      return;
    }
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      refuse(response, 405, 'Method not allowed', { Allow: 'GET, HEAD' });
      if (log) log(`405 ${request.method} ${request.url}`);
      return;
    }
    const file = siteFile(root, request.url);
    if (typeof file === 'number') {
      response.writeHead(file, { 'Content-Type': 'text/plain; charset=utf-8' });
      response.end(file === 400 ? 'Bad request\n' : 'Not found\n');
      if (log) log(`${file} ${request.url}`);
      return;
    }
    response.writeHead(200, {
      'Content-Type': types[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-store',
      ...(policy ? { 'Content-Security-Policy': policy } : {}),
    });
    if (request.method === 'HEAD') {
      response.end();
      return;
    }
    const stream = fs.createReadStream(file);
    stream.on('error', () => response.destroy());
    stream.pipe(response);
  });
  server.on('clientError', (error, socket) => socket.destroy());
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => {
      const at = server.address().port;
      const loopback = ['127.0.0.1', 'localhost', '::1'].includes(host);
      names = [host.includes(':') ? `[${host}]` : host,
               ...(loopback ? ['localhost', '127.0.0.1', '[::1]'] : [])]
        .map((name) => `${name}:${at}`.toLowerCase());
      resolve({
        url: `http://${host}:${at}/`,
        // A browser's kept-alive connections are closed too, or closing waits for them.
        close: () => new Promise((done) => {
          server.close(done);
          server.closeAllConnections();
        }),
      });
    });
  });
}

const chromiumFlags = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  // The page's frames keep their pace though nobody looks at the headless window.
  '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
  '--disable-backgrounding-occluded-windows',
];

// The page is the window's size (a screencast takes the window, so the two must agree). Sound
// may start without a gesture (the tests press Start through the protocol), unless gestures
// are asked for, as a phone's browser does. Without webgl, the page gets no WebGL context, as
// where chromium has no software fallback for it.
async function launch({ width = 960, height = 720, gestures = false, webgl = true } = {}) {
  const puppeteer = require('puppeteer-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [...chromiumFlags, `--window-size=${width},${height}`,
           `--autoplay-policy=${gestures ? 'user-gesture-required' : 'no-user-gesture-required'}`,
           ...(webgl ? [] : ['--disable-webgl', '--disable-3d-apis'])],
    defaultViewport: null,
    // A page whose script never gives the browser back fails in half a minute, not three.
    protocolTimeout: 30000,
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Planted before the page's script: counts what the page makes (WebGL contexts, audio contexts,
// draws, WebGL's or a 2D canvas's), keeps the canvas's picture readable after compositing, and
// taps everything sent to the speakers into an analyser (and, when asked, hands the samples to window.quenthorSound).
function listeningPosts() {
  // startedIn: for each audio context, the event being handled when it was made or resumed
  // (a phone lets sound start only inside a tap).
  // askedRates: the sample rate each audio context was asked for, if any.
  const posts = { glContexts: 0, draws: 0, workers: [], audioContexts: [], analysers: [], startedIn: [], askedRates: [] };
  window.quenthorPosts = posts;
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, attributes) {
    if (/webgl/.test(type)) {
      posts.glContexts++;
      attributes = Object.assign({}, attributes, { preserveDrawingBuffer: true });
    }
    const context = getContext.call(this, type, attributes);
    if (/webgl/.test(type)) posts.gl = context;
    return context;
  };
  // A 2D canvas draws by putImageData (the minimal page); the show draws in its worker, which
  // tells a page that listens of each picture.
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    posts.draws++;
    return put.apply(this, args);
  };
  window.quenthorListening = true;
  const RealWorker = window.Worker;
  window.Worker = function (...args) {
    const worker = new RealWorker(...args);
    posts.workers.push(worker);
    worker.addEventListener('message', (event) => {
      if (event.data && event.data.drawn && !posts.draws++) posts.firstDraw = Date.now() / 1000;
    });
    return worker;
  };
  window.Worker.prototype = RealWorker.prototype;
  for (const gl of [WebGLRenderingContext, window.WebGL2RenderingContext].filter(Boolean)) {
    for (const name of ['drawArrays', 'drawElements']) {
      const draw = gl.prototype[name];
      gl.prototype[name] = function (...args) {
        // The wall-clock second of the show's first picture, as the screencast counts time.
        if (!posts.draws++) posts.firstDraw = Date.now() / 1000;
        return draw.apply(this, args);
      };
    }
  }
  const Real = window.AudioContext;
  window.AudioContext = function (...args) {
    const context = new Real(...args);
    posts.audioContexts.push(context);
    posts.askedRates.push(args[0] && args[0].sampleRate);
    posts.startedIn.push(window.event ? [window.event.type] : []);
    const index = posts.startedIn.length - 1;
    const resume = context.resume.bind(context);
    context.resume = () => {
      if (window.event) posts.startedIn[index].push(window.event.type);
      return resume();
    };
    const analyser = context.createAnalyser();
    analyser.fftSize = 2048;
    posts.analysers.push(analyser);
    if (window.quenthorSound) {
      const tap = context.createScriptProcessor(4096, 2, 2);
      tap.onaudioprocess = (event) => {
        const left = event.inputBuffer.getChannelData(0);
        const right = event.inputBuffer.getChannelData(1);
        const pcm = new Int16Array(left.length * 2);
        for (let i = 0; i < left.length; i++) {
          pcm[2 * i] = Math.max(-1, Math.min(1, left[i])) * 32767;
          pcm[2 * i + 1] = Math.max(-1, Math.min(1, right[i])) * 32767;
        }
        let text = '';
        const bytes = new Uint8Array(pcm.buffer);
        for (let i = 0; i < bytes.length; i += 0x8000)
          text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        window.quenthorSound(context.sampleRate, btoa(text));
      };
      const mute = context.createGain();
      mute.gain.value = 0;
      tap.connect(mute);
      mute.connect(context.destination);
      posts.recorder = tap;
    }
    return context;
  };
  window.AudioContext.prototype = Real.prototype;
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (target instanceof AudioDestinationNode && this.context) {
      const index = posts.audioContexts.indexOf(this.context);
      if (index >= 0 && this !== posts.analysers[index] && !(this instanceof GainNode)) {
        connect.call(this, posts.analysers[index]);
        if (posts.recorder && posts.recorder.context === this.context)
          connect.call(this, posts.recorder);
      }
    }
    return result;
  };
  // The loudest sample the speakers get now, over the newest contexts still open.
  posts.loudness = () => {
    let loudest = 0;
    posts.analysers.forEach((analyser, index) => {
      if (posts.audioContexts[index].state === 'closed') return;
      const samples = new Float32Array(analyser.fftSize);
      analyser.getFloatTimeDomainData(samples);
      for (const sample of samples) loudest = Math.max(loudest, Math.abs(sample));
    });
    return loudest;
  };
}

module.exports = { serveSite, sitePolicy, launch, listeningPosts };

// node browser.js SITE [PORT]: serves the site until stopped, on PORT (0 or none: any free port
// the system gives), and prints the page's address once it listens.
if (require.main === module) {
  const [site, portText = '0'] = process.argv.slice(2);
  const port = Number(portText);
  if (!site || !fs.existsSync(path.join(site, 'index.html')) || !Number.isInteger(port) ||
      port < 0 || port > 65535) {
    console.error('usage: node browser.js SITE [PORT] (SITE holds index.html; PORT 0-65535)');
    process.exit(2);
  }
  serveSite(site, { port, log: (line) => console.error(line) }).then((served) => {
    console.log(`The show's page: ${served.url}\nOpen it in a browser on this machine; Ctrl+C stops the server.`);
  }, (error) => {
    console.error(`browser.js: can't serve on 127.0.0.1:${port}: ${error.message}`);
    process.exit(1);
  });
}
