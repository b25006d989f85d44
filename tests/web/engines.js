// The three browser engines the page's main rows run in, each as what the rows use of
// puppeteer's browser (createBrowserContext().newPage(), close()): Debian's chromium (the
// DevTools protocol) and Firefox ESR (WebDriver BiDi) through puppeteer-core, WebKitGTK's
// MiniBrowser through WebKitWebDriver (webdriver.js), on the display DISPLAY names.
// Firefox and WebKitGTK play their sound through the sound server (scripts/test-web gives them
// a private one); without one, their audio contexts never start.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { launch } = require('../../tools/web/browser');
const { startDriver } = require('./webdriver');

const sources = path.resolve(__dirname, '../..');

async function launchFirefox() {
  const puppeteer = require(require.resolve('puppeteer-core', { paths: [path.join(sources, 'tools/web')] }));
  return puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    // Sound may start without a gesture, as in the chromium the rows start.
    extraPrefsFirefox: { 'media.autoplay.default': 0 },
    protocolTimeout: 30000,
  });
}

const launchers = {
  chromium: () => launch({ width: 640, height: 480 }),
  firefox: launchFirefox,
  webkit: () => {
    if (!process.env.DISPLAY) throw new Error('WebKitGTK needs a display: DISPLAY is not set');
    return startDriver({ binary: process.env.MINIBROWSER });
  },
};
const engineNames = Object.keys(launchers);

// What a row can't see in an engine, and why; the row says so and checks the rest.
const screencast = 'the browser\'s own frames (no screencast outside chromium\'s DevTools): the ' +
  'canvas is read at each of the page\'s frames instead';
const limits = {
  firefox: { screencast },
  webkit: { screencast, pageErrors: 'the page\'s uncaught errors (classic WebDriver hears no events)' },
};

// A copy of the site for an engine that can't run a script before the page's (WebKitGTK under
// classic WebDriver): the scripts planted in the page itself, before its own, and the offline
// copy's digests made anew. Same origin, so the page's policy lets them run.
function plantedCopy(site, plants) {
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-planted-'));
  fs.cpSync(site, copy, { recursive: true });
  fs.writeFileSync(path.join(copy, 'planted.js'), plants.map((plant) => `(${plant})();\n`).join(''));
  const index = path.join(copy, 'index.html');
  const page = fs.readFileSync(index, 'utf8');
  fs.writeFileSync(index, page.replace('<script src="page.js">',
                                       '<script src="planted.js"></script>\n<script src="page.js">'));
  execFileSync('cmake', [`-DSITE=${copy}`, `-DTEMPLATE=${path.join(sources, 'web/service-worker.js')}`,
                         '-P', path.join(sources, 'web/service-worker.cmake')]);
  return copy;
}

module.exports = { launchers, engineNames, limits, plantedCopy };
