// Figures for the show's page, in headless chromium:
//   node web/measure.js [SITE] [--rounds N] [--seconds S] [--settle S] [--against SITE2] [--no-webgl]
// - what the page loads (every file it fetched, from Start to the show's first frame, and the
//   rest of the site, which the service worker fetches on a first visit), raw and gzipped;
// - the time from the Start click to the show's first frame on the canvas, three runs;
// - the CPU while the show runs (from --settle seconds after Start, 1 by default) against the
//   minimal page (bench/minimal-page: a 320x240 canvas,
//   one putImageData per change of picture, a ScriptProcessor tone), alternating in one chromium:
//   the page's main thread (the CPU of the renderers' main threads, and the renderer's task
//   time, which counts the time its tasks wait for a core too) and all of this chromium's
//   processes (with --disable-gpu the compositing is done in software, so it is counted there);
//   --against measures another build of the site in the same rounds, to compare two versions.
// --no-webgl starts chromium without WebGL, as on a machine where it has no fallback.
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serveSite, launch, listeningPosts } = require('./browser');

function option(name, fallback) {
  const index = process.argv.indexOf(name);
  return index > 0 ? Number(process.argv[index + 1]) : fallback;
}
const rounds = option('--rounds', 3);
const seconds = option('--seconds', 5);
// What a start costs once is left out: chromium compiling the hot WebAssembly functions again,
// optimised, and its notice that the page went fullscreen, each gone a few seconds in.
const settle = option('--settle', 1);
// Another build of the site, measured in the same rounds (a change's before and after).
const againstIndex = process.argv.indexOf('--against');
const againstSite = againstIndex > 0 ? path.resolve(process.argv[againstIndex + 1]) : null;
const withoutWebgl = process.argv.includes('--no-webgl');
const positional = process.argv.slice(2).filter((arg, i, all) =>
  !arg.startsWith('--') && !['--rounds', '--seconds', '--settle', '--against'].includes(all[i - 1]));
const site = path.resolve(positional[0] || 'build-web/site');
const minimalPage = path.join(__dirname, '..', '..', 'bench', 'minimal-page');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const kB = (bytes) => (bytes / 1000).toFixed(1).padStart(8);

// Every file of the site, from its root, as the service worker keeps them (it fetches them all
// on a first visit), and itself.
function siteFiles(folder = site, prefix = '') {
  return fs.readdirSync(folder, { withFileTypes: true }).flatMap((entry) => entry.isDirectory()
    ? siteFiles(path.join(folder, entry.name), `${prefix}${entry.name}/`)
    : [`${prefix}${entry.name}`]);
}

function weigh(names) {
  // The sound worklet's module is fetched where the page's listener doesn't see it: it is
  // among the rest.
  console.log('What a first visit loads (kB = 1000 bytes; gzip -9): what the page fetched up to ' +
              'the first frame, then the rest of the site (+), which the service worker keeps:');
  const total = [0, 0];
  const others = siteFiles().filter((name) => !names.includes(name)).sort();
  for (const name of [...names, ...others]) {
    const bytes = fs.readFileSync(path.join(site, name));
    const gz = zlib.gzipSync(bytes, { level: 9 }).length;
    total[0] += bytes.length;
    total[1] += gz;
    const rest = names.includes(name) ? ' ' : '+';
    console.log(`${rest} ${name.padEnd(24)} ${kB(bytes.length)} kB raw ${kB(gz)} kB gzipped`);
  }
  console.log(`  ${'everything'.padEnd(24)} ${kB(total[0])} kB raw ${kB(total[1])} kB gzipped`);
}

// Jiffies (user + system) of the browser's process and each of its descendants (only this
// chromium, though others may run on the machine), by process: all of its threads, and the
// main thread alone of a renderer (the page's main thread's CPU, which its tasks' wall time,
// below, overstates on a busy machine).
function treeJiffies(rootPid) {
  const stats = new Map();
  const read = (file) => {
    const stat = fs.readFileSync(file, 'utf8');
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    return { parent: Number(fields[1]), jiffies: Number(fields[11]) + Number(fields[12]) };
  };
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      stats.set(Number(pid), read(`/proc/${pid}/stat`));
    } catch (error) { /* gone meanwhile */ }
  }
  const tree = new Map();
  for (const [pid, { jiffies }] of stats) {
    for (let p = pid; p > 1 && stats.has(p); p = stats.get(p).parent) {
      if (p !== rootPid) continue;
      let main = 0;
      try {
        if (fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer'))
          main = read(`/proc/${pid}/task/${pid}/stat`).jiffies;
      } catch (error) { /* gone meanwhile */ }
      tree.set(pid, { all: jiffies, main });
      break;
    }
  }
  return tree;
}

// What the processes spent between two readings. A process that ended meanwhile (chromium ends
// its audio service a while after the sound stops) takes its whole past with it: only its time
// before the first reading is known, so it counts nothing, rather than a loss.
function spent(before, after) {
  const total = { all: 0, main: 0 };
  for (const [pid, now] of after) {
    const then = before.get(pid) || { all: 0, main: 0 };
    total.all += now.all - then.all;
    total.main += now.main - then.main;
  }
  return total;
}

// The page's files, in the order it fetched them, and the time from Start to the first draw.
async function firstFrame(browser, url) {
  const page = await browser.newPage();
  const fetched = [];
  page.on('response', (response) => {
    const name = decodeURIComponent(new URL(response.url()).pathname.slice(1)) || 'index.html';
    if (response.ok() && !fetched.includes(name)) fetched.push(name);
  });
  await page.evaluateOnNewDocument(listeningPosts);
  await page.goto(url);
  await page.waitForSelector('body[data-state="ready"]', { timeout: 30000 });
  const started = await page.evaluate(() => new Promise((resolve) => {
    const clicked = performance.now();
    function look() {
      if (window.quenthorPosts.draws > 0) resolve(performance.now() - clicked);
      else requestAnimationFrame(look);
    }
    document.getElementById('start').click();
    requestAnimationFrame(look);
  }));
  await page.keyboard.press('Escape');
  await page.waitForSelector('body[data-state="ended"]');
  await page.close();
  return { started, fetched };
}

// One page's CPU over `seconds`, from `settle` seconds after its Start; then it is ended and
// closed.
async function cpu(browser, url) {
  const page = await browser.newPage();
  await page.goto(url);
  await page.waitForSelector('body[data-state="ready"]', { timeout: 30000 });
  await page.click('#start');
  await sleep(settle * 1000);
  const session = await page.createCDPSession();
  await session.send('Performance.enable');
  const busy = async () => (await session.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'TaskDuration').value;
  const pid = browser.process().pid;
  const before = [await busy(), treeJiffies(pid), Date.now()];
  await sleep(seconds * 1000);
  const after = [await busy(), treeJiffies(pid), Date.now()];
  const state = await page.evaluate(() => document.body.dataset.state);
  if (state !== 'running') throw new Error(`${url}: the page was ${state} while measured`);
  await page.keyboard.press('Escape');
  await page.waitForSelector('body[data-state="ended"]');
  await page.close();
  const wall = (after[2] - before[2]) / 1000;
  const hz = 100;  // USER_HZ on Linux
  const jiffies = spent(before[1], after[1]);
  return {
    main: 100 * jiffies.main / hz / wall,
    tasks: 100 * (after[0] - before[0]) / wall,
    all: 100 * jiffies.all / hz / wall,
  };
}

async function main() {
  const server = await serveSite(site);
  // The minimal page is one file of inline script and style: it gets no policy.
  const minimal = await serveSite(minimalPage, { policy: null });
  const against = againstSite ? await serveSite(againstSite) : null;
  const browser = await launch({ width: 960, height: 720, webgl: !withoutWebgl });
  try {
    const starts = [];
    let fetched = [];
    for (let run = 0; run < 3; run++) {
      const result = await firstFrame(browser, server.url);
      starts.push(result.started);
      fetched = result.fetched;
    }
    weigh(fetched);
    console.log(`Start to the first frame: ${starts.map((s) => `${Math.round(s)} ms`).join(', ')}`);

    console.log(`CPU while running, ${rounds} rounds of ${seconds} s each from ${settle} s after ` +
                `Start, alternating${withoutWebgl ? ' (chromium without WebGL)' : ''}; % of one core ` +
                '(main thread: its CPU, and its tasks\' wall time):');
    const pages = [['ours', server.url], ['minimal', minimal.url]];
    if (against) pages.push(['against', against.url]);
    const what = ['main', 'tasks', 'all'];
    const sums = Object.fromEntries(pages.map(([name]) => [name, { main: 0, tasks: 0, all: 0 }]));
    const percent = (value) => `${value.toFixed(1).padStart(5)}%`;
    for (let round = 1; round <= rounds; round++) {
      for (const [name, url] of pages) {
        const figures = await cpu(browser, url);
        for (const key of what) sums[name][key] += figures[key];
        console.log(`  round ${round} ${name.padEnd(7)}: main thread ${percent(figures.main)}` +
                    ` (tasks ${percent(figures.tasks)}), all of chromium ${percent(figures.all)}`);
      }
    }
    const mean = (name, key) => sums[name][key] / rounds;
    const labels = { main: 'main thread    ', tasks: 'its tasks      ', all: 'all of chromium' };
    for (const key of what) {
      const others = pages.filter(([name]) => name !== 'minimal').map(([name]) =>
        `${name} ${mean(name, key).toFixed(1)}% (ratio ${(mean(name, key) / mean('minimal', key)).toFixed(2)})`);
      console.log(`  ${labels[key]}: minimal ${mean('minimal', key).toFixed(1)}%, ${others.join(', ')}`);
    }
  } finally {
    await browser.close();
    await server.close();
    await minimal.close();
    if (against) await against.close();
  }
}

main().catch((error) => {
  console.error(`measure: ${error.message}`);
  process.exit(1);
});
