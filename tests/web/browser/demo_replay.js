// The demo's test event file replayed in the page on the virtual clock: every shot it takes and
// the canvas at the end equal the native headless run's pictures pixel for pixel, and the
// recording of the page's mixer equals the --audio-out of the same engine run under node sample
// for sample.
//   node demo_replay.js SITE_DIR TEST_DIR GAME_DIR NODE_RUNNER TAV_JS [NATIVE_TAV]
// TEST_DIR holds events.txt and the native run's shots (games/demo/test). NODE_RUNNER TAV_JS is
// the engine's command-line twin. With NATIVE_TAV the native program is run with the same
// options too: its final picture must equal the canvas, and its recording may differ from the
// page's only where decoded Ogg Vorbis differs: Debian builds its libvorbis with -ffast-math,
// which rounds a few samples in ten thousand one step away from the same source built plainly.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const h = require('./harness');

(async () => {
  const [site, testDir, gameDir, nodeRunner, tavJs, nativeTav] = process.argv.slice(2);
  const server = await h.serve(site, { '/test/': testDir });
  const browser = await h.launch();
  try {
    const page = await h.openPage(browser);
    await page.goto(server.url + '?replay=test/events.txt&seed=1');
    await page.waitForFunction(() => ['ended', 'failed'].includes(window.tavPage.state), { timeout: 180000 });
    const state = await page.evaluate(() => window.tavPage);
    h.check(state.state === 'ended' && state.exitCode === 0, `the replay ends with exit code 0 (${state.state}, ${state.exitCode}, ${state.error})`);
    const overlay = await page.evaluate(() => !document.getElementById('overlay').hidden &&
                                              document.getElementById('overlay-text').textContent);
    h.check(overlay === 'ゲームは終了しました。', `the end of the game shows its overlay (${overlay})`);

    const shots = (await page.evaluate(() => FS.readdir('/replay'))).filter((f) => f.endsWith('.png') && f !== 'final.png');
    h.check(shots.length >= 10, `the replay took its shots (${shots.join(' ')})`);
    for (const shot of shots) {
      const expected = path.join(testDir, shot);
      if (!fs.existsSync(expected)) continue;
      const got = await h.pngPixels(page, (await h.readPageFile(page, '/replay/' + shot)).toString('base64'));
      const want = await h.pngPixels(page, fs.readFileSync(expected).toString('base64'));
      const difference = h.firstDifference(got, want);
      h.check(!difference, `${shot} equals the native run's` + (difference ? ': ' + difference : ''));
    }

    const canvas = await h.canvasPixels(page);
    const web = await h.readPageFile(page, '/replay/audio.wav');
    h.check(web.length > 44 + 44100 * 4, 'the recording holds more than a second of sound');
    // One headless run of the demo with the replay's options: its recording and final picture.
    const run = (program, args) => {
      const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-replay-'));
      execFileSync(program, [...args, gameDir, '--headless', '--seed', '1', '--events', path.join(testDir, 'events.txt'),
                             '--audio-out', path.join(work, 'audio.wav'), '--screenshot', path.join(work, 'final.png'),
                             '--save-dir', path.join(work, 'saves')], { cwd: work, stdio: ['ignore', 'ignore', 'inherit'] });
      const result = { audio: fs.readFileSync(path.join(work, 'audio.wav')),
                       picture: fs.readFileSync(path.join(work, 'final.png')).toString('base64') };
      fs.rmSync(work, { recursive: true, force: true });
      return result;
    };
    const twin = run(nodeRunner, [tavJs]);
    const first = twin.audio.findIndex((byte, i) => byte !== web[i]);
    h.check(twin.audio.length === web.length && first < 0,
            `the page's recording (${web.length} bytes) equals the engine's --audio-out under node (${twin.audio.length} bytes)` +
            (first >= 0 ? `; first difference at byte ${first}` : ''));
    let finalPng = twin.picture;
    if (nativeTav) {
      const native = run(nativeTav, []);
      finalPng = native.picture;
      // 16-bit samples after the 44-byte header: the same length, and where they differ, by one.
      let differing = 0, largest = 0;
      for (let i = 44; i + 1 < Math.min(native.audio.length, web.length); i += 2) {
        const d = Math.abs(native.audio.readInt16LE(i) - web.readInt16LE(i));
        if (d) { ++differing; largest = Math.max(largest, d); }
      }
      const samples = (web.length - 44) / 2;
      console.log(`native --audio-out: ${differing} of ${samples} samples differ, by at most ${largest}`);
      h.check(native.audio.length === web.length && largest <= 1 && differing <= samples / 1000,
              `the page's recording (${web.length} bytes) matches the native --audio-out (${native.audio.length} bytes) ` +
              `but for rounding (${differing} samples differ, by at most ${largest})`);
    }
    const difference = h.firstDifference(canvas, await h.pngPixels(page, finalPng));
    h.check(!difference, 'the canvas at the end equals the ' + (nativeTav ? 'native' : 'engine\'s') + ' final picture' +
            (difference ? ': ' + difference : ''));
  } finally {
    await browser.close();
    server.close();
  }
  h.finish();
})().catch((e) => { console.log('FAILED:', e); process.exit(1); });
