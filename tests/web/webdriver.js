// WebKitGTK for the page's rows: WebKitWebDriver starting its MiniBrowser, spoken to over
// WebDriver's HTTP protocol (the classic one: WebKitGTK has no other). Only the calls the rows
// make, shaped as puppeteer's so that a row reads the same in every engine. One session is one
// page with a fresh profile of its own. WebDriver gives no way to run a script before the
// page's own: the page's listening posts come in the site itself (see engines.js).
'use strict';
const { spawn } = require('child_process');
const net = require('net');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// WebDriver's code points for the keys the rows press.
const keyValues = { Escape: '\uE00C', Enter: '\uE007', Tab: '\uE004', Space: ' ', KeyA: 'a' };

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function startDriver({ driver = 'WebKitWebDriver', binary } = {}) {
  const port = await freePort();
  // A group of its own: the MiniBrowser and WebKit's processes under it end with it, even hung
  // ones, which would otherwise hold its pipe, and so this process, open.
  const child = spawn(driver, [`--port=${port}`], { stdio: ['ignore', 'ignore', 'pipe'], detached: true });
  let said = '';
  child.stderr.on('data', (bytes) => { said = (said + bytes).slice(-2000); });
  const gone = new Promise((resolve) => child.once('exit', resolve));
  const base = `http://127.0.0.1:${port}`;
  // A hung page can leave a call unanswered: no call waits longer than a row's own waits.
  async function call(method, where, body, seconds = 60) {
    let answer, response;
    try {
      response = await fetch(base + where, {
        method, headers: { 'Content-Type': 'application/json' },
        body: body === undefined ? undefined : JSON.stringify(body),
        signal: AbortSignal.timeout(seconds * 1000),
      });
      answer = await response.json();
    } catch (error) {
      if (error.name !== 'TimeoutError') throw error;
      throw new Error(`WebDriver ${method} ${where}: no answer within ${seconds} s`);
    }
    if (!response.ok) {
      const { error, message } = answer.value || {};
      throw new Error(`WebDriver ${method} ${where}: ${error}: ${message}`);
    }
    return answer.value;
  }
  for (let tries = 0; ; tries++) {
    try {
      if ((await call('GET', '/status')).ready) break;
    } catch (error) {
      if (tries > 100 || child.exitCode !== null)
        throw new Error(`${driver} did not answer on port ${port}: ${said || error.message}`);
    }
    await sleep(100);
  }

  // Every page made, so that closing the driver closes them too: a MiniBrowser whose session
  // was never deleted outlives its driver.
  const made = [];
  async function newPage() {
    const options = { args: ['--automation'], ...(binary ? { binary } : {}) };
    const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': options } } });
    made.push(new Page(call, `/session/${sessionId}`));
    return made.at(-1);
  }
  return {
    planted: true,
    createBrowserContext: async () => {
      const pages = [];
      return {
        newPage: async () => { pages.push(await newPage()); return pages.at(-1); },
        close: () => Promise.all(pages.map((page) => page.end())),
      };
    },
    close: async () => {
      await Promise.all(made.map((page) => page.end().catch(() => {})));
      const group = (signal) => { try { process.kill(-child.pid, signal); } catch { /* gone */ } };
      group('SIGTERM');
      await Promise.race([gone, sleep(3000)]);
      group('SIGKILL');  // whatever SIGTERM didn't end, a hung page among them
      await gone;
      child.stderr.destroy();
    },
  };
}

class Page {
  constructor(call, session) {
    this.call = (method, where, body, seconds) => call(method, session + where, body, seconds);
    this.ended = null;
    this.keyboard = { press: (key) => this.press(key) };
  }
  // Events (a page's uncaught errors) are BiDi's, not classic WebDriver's: none are heard.
  on() {}
  async setViewport({ width, height }) {
    // The window holds MiniBrowser's toolbar too: the page gets what is left of it.
    await this.call('POST', '/window/rect', { width, height });
  }
  async goto(url) { await this.call('POST', '/url', { url }); }
  async reload() { await this.call('POST', '/refresh', {}); }
  async evaluate(fn, ...args) {
    const script = `const done = arguments[arguments.length - 1];
      const args = Array.prototype.slice.call(arguments, 0, -1);
      Promise.resolve().then(() => (${fn}).apply(null, args)).then(
        (value) => done({ value: value === undefined ? null : value }),
        (error) => done({ error: String(error && error.stack || error) }));`;
    const answer = await this.call('POST', '/execute/async', { script, args });
    if (answer.error) throw new Error(answer.error);
    return answer.value;
  }
  async waitForFunction(fn, { timeout = 30000 } = {}, ...args) {
    const until = Date.now() + timeout;
    for (;;) {
      const value = await this.evaluate(fn, ...args);
      if (value) return value;
      if (Date.now() > until) throw new Error(`waiting for ${String(fn).slice(0, 80)} took over ${timeout} ms`);
      await sleep(100);
    }
  }
  waitForSelector(selector, { timeout } = {}) {
    return this.waitForFunction((s) => !!document.querySelector(s), { timeout }, selector);
  }
  async click(selector) {
    const found = await this.call('POST', '/element', { using: 'css selector', value: selector });
    await this.call('POST', `/element/${Object.values(found)[0]}/click`, {});
  }
  async press(key) {
    const value = keyValues[key];
    if (!value) throw new Error(`no WebDriver key for ${key}`);
    await this.call('POST', '/actions', { actions: [{ type: 'key', id: 'keys', actions: [
      { type: 'keyDown', value }, { type: 'keyUp', value }] }] });
  }
  close() { return this.end(); }
  end() {
    this.ended = this.ended || this.call('DELETE', '', undefined, 10);
    return this.ended;
  }
}

module.exports = { startDriver };
