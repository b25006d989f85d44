// Figures for the show's page, in headless chromium: node measure.js SITE.
// What the page loads (raw and gzipped), the time from the Start click to the show's first
// frame on the canvas, and the CPU the page uses while the show runs (the page's main thread,
// and every chromium process together: with --disable-gpu the drawing is done in software).
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { serveSite, launch, listeningPosts } = require('./browser');

function weight(site) {
  const rows = [];
  for (const name of ['index.html', 'page.js', 'quenthor.js', 'quenthor.wasm', 'min.raw',
                      'min2.raw', 'min3.raw', 'Terminal.s3m']) {
    const bytes = fs.readFileSync(path.join(site, name));
    rows.push([name, bytes.length, zlib.gzipSync(bytes, { level: 9 }).length]);
  }
  const total = rows.reduce((sum, row) => [sum[0] + row[1], sum[1] + row[2]], [0, 0]);
  for (const [name, raw, gz] of rows)
    console.log(`  ${name.padEnd(14)} ${String(raw).padStart(9)} B raw ${String(gz).padStart(9)} B gzipped`);
  console.log(`  ${'everything'.padEnd(14)} ${String(total[0]).padStart(9)} B raw ${String(total[1]).padStart(9)} B gzipped`);
}

// Jiffies of every chromium process (user + system).
function chromiumJiffies() {
  let total = 0;
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
      const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
      if (!/chrom/.test(name)) continue;
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      total += Number(fields[11]) + Number(fields[12]);
    } catch (error) { /* gone */ }
  }
  return total;
}

async function main() {
  const site = path.resolve(process.argv[2] || 'build-web/site');
  console.log('What the page loads:');
  weight(site);
  const server = await serveSite(site);
  const browser = await launch({ width: 960, height: 720 });
  try {
    const starts = [];
    for (let run = 0; run < 3; run++) {
      const page = await browser.newPage();
      await page.evaluateOnNewDocument(listeningPosts);
      await page.goto(server.url);
      await page.waitForSelector('body[data-state="ready"]');
      // The first frame the show draws: the first draw on the canvas, seen at a browser frame.
      const started = await page.evaluate(() => new Promise((resolve) => {
        const clicked = performance.now();
        function look() {
          if (window.quenthorPosts.draws > 0) resolve(performance.now() - clicked);
          else requestAnimationFrame(look);
        }
        document.getElementById('start').click();
        requestAnimationFrame(look);
      }));
      starts.push(started);
      await page.keyboard.press('Escape');
      await page.waitForSelector('body[data-state="ended"]');
      await page.close();
    }
    // The CPU, on a page without the listening posts (they keep the canvas's picture readable,
    // which costs).
    const page = await browser.newPage();
    await page.goto(server.url);
    await page.waitForSelector('body[data-state="ready"]');
    await page.click('#start');
    await new Promise((resolve) => setTimeout(resolve, 1000));
    const session = await page.createCDPSession();
    await session.send('Performance.enable');
    const busy = async () => (await session.send('Performance.getMetrics')).metrics
      .find((m) => m.name === 'TaskDuration').value;
    const before = [await busy(), chromiumJiffies(), Date.now()];
    await new Promise((resolve) => setTimeout(resolve, 5000));
    const after = [await busy(), chromiumJiffies(), Date.now()];
    const seconds = (after[2] - before[2]) / 1000;
    const hz = 100;  // USER_HZ on Linux
    console.log(`The page's main thread while the show runs: ${(100 * (after[0] - before[0]) / seconds).toFixed(1)}% of a core`);
    console.log(`All of chromium while the show runs (software drawing included): ${(100 * (after[1] - before[1]) / hz / seconds).toFixed(1)}% of a core`);
    await page.keyboard.press('Escape');
    await page.waitForSelector('body[data-state="ended"]');
    starts.sort((a, b) => a - b);
    console.log(`Start to the first frame: ${starts.map((s) => `${Math.round(s)} ms`).join(', ')} (median ${Math.round(starts[1])} ms)`);
  } finally {
    await browser.close();
    await server.close();
  }
}

main().catch((error) => {
  console.error(`measure: ${error.message}`);
  process.exit(1);
});
