// Records the show's page from headless chromium to a video: node record.js SITE SECONDS VIDEO
// [--gentle] (with --gentle, through the page's Start without flashing). The picture is every frame the browser composites (the DevTools protocol's screencast), the
// sound everything the page sends to its speakers, tapped inside the page; ffmpeg puts them
// together. Progress goes to standard error; the last line on standard output is the video. A
// show that fails makes no video: what the page said goes to standard error, and the exit status
// is the show's (1 when it gave none).
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serveSite, launch, listeningPosts } = require('./browser');

async function main() {
  const [site, secondsText, video, option] = process.argv.slice(2);
  const seconds = Number(secondsText);
  if (!site || !(seconds > 0) || !video || (option && option !== '--gentle'))
    throw new Error('usage: record.js SITE SECONDS VIDEO [--gentle]');
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quenthor-record-'));
  const server = await serveSite(path.resolve(site));
  const browser = await launch({ width: 960, height: 720 });
  try {
    const page = await browser.newPage();
    const sound = fs.openSync(path.join(work, 'sound.raw'), 'w');
    let rate = 0;
    await page.exposeFunction('quenthorSound', (sampleRate, base64) => {
      rate = sampleRate;
      fs.writeSync(sound, Buffer.from(base64, 'base64'));
    });
    await page.evaluateOnNewDocument(listeningPosts);
    // Headless, the browser's fullscreen is a screen the screencast doesn't see: the page keeps
    // to its window.
    await page.evaluateOnNewDocument(() => { delete Element.prototype.requestFullscreen; });
    await page.goto(server.url);
    await page.waitForSelector('body[data-state="ready"]');

    // The screencast takes the page as the window shows it, at its own size.
    const session = await page.createCDPSession();
    const [width, height] = await page.evaluate(() => [window.innerWidth, window.innerHeight]);
    const frames = [];
    session.on('Page.screencastFrame', ({ data, metadata, sessionId }) => {
      const file = path.join(work, `frame${String(frames.length).padStart(6, '0')}.jpg`);
      fs.writeFileSync(file, Buffer.from(data, 'base64'));
      frames.push({ file, time: metadata.timestamp });
      session.send('Page.screencastFrameAck', { sessionId }).catch(() => {});
    });
    // From the click on: the stage is black until the show's first frame (black too).
    await page.click(option ? '#gentle' : '#start');
    await session.send('Page.startScreencast', {
      format: 'jpeg', quality: 90, everyNthFrame: 1, maxWidth: width, maxHeight: height,
    });
    const running = () => page.evaluate(() => document.body.dataset.state === 'running');
    for (let second = 1; second <= seconds && await running(); second++) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      process.stderr.write(`\rRecording the page: ${second}/${seconds} s`);
    }
    process.stderr.write('\n');
    if (await running()) await page.keyboard.press('Escape');
    await page.waitForSelector('body:not([data-state="running"])', { timeout: 5000 });
    await session.send('Page.stopScreencast');
    fs.closeSync(sound);
    const ending = await page.evaluate(() => ({
      status: document.body.dataset.status,
      output: document.getElementById('output').textContent.trim(),
      said: document.getElementById('status').textContent,
    }));
    const status = ending.status;
    if (status !== '0') {
      if (ending.output) console.error(ending.output);
      console.error(`record: ${ending.said}`);
      process.exitCode = Number(status) > 0 ? Number(status) : 1;
      return;
    }
    // The video begins with the show's first picture (black, as the stage before it): the
    // frame shown then, retimed to that moment; the page's loading before it is left out.
    const firstDraw = await page.evaluate(() => window.quenthorPosts.firstDraw);
    if (firstDraw) {
      const before = frames.filter((frame) => frame.time <= firstDraw).length;
      if (before > 0) {
        frames.splice(0, before - 1);
        frames[0].time = firstDraw;
      }
    }
    if (frames.length < 2) throw new Error('the browser composited no frames');

    // Each frame lasts until the next; the last one a frame's time.
    const list = frames.map((frame, index) => {
      const next = frames[index + 1];
      const duration = next ? Math.max(next.time - frame.time, 0.001) : 1 / 60;
      return `file '${frame.file}'\nduration ${duration.toFixed(6)}`;
    });
    list.push(`file '${frames[frames.length - 1].file}'`);
    fs.writeFileSync(path.join(work, 'frames.txt'), list.join('\n') + '\n');
    const withSound = rate > 0 && fs.statSync(path.join(work, 'sound.raw')).size > 0;
    const args = ['-y', '-loglevel', 'error', '-f', 'concat', '-safe', '0',
                  '-i', path.join(work, 'frames.txt')];
    if (withSound)
      args.push('-f', 's16le', '-ar', String(rate), '-ac', '2', '-i', path.join(work, 'sound.raw'));
    args.push('-vf', `scale=${width & ~1}:${height & ~1}:flags=neighbor`, '-pix_fmt', 'yuv420p', '-vsync', 'vfr',
              '-c:v', 'libx264', '-preset', 'veryfast');
    if (withSound) args.push('-c:a', 'aac', '-b:a', '160k', '-shortest');
    args.push(video);
    execFileSync('ffmpeg', args, { stdio: 'inherit' });
    process.stderr.write(`${frames.length} frames, ${withSound ? `sound at ${rate} Hz` : 'no sound'};` +
                         ` the show ended with status ${status}\n`);
    console.log(video);
  } finally {
    await browser.close();
    await server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(`record: ${error.message}`);
  process.exit(1);
});
