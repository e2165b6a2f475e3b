// The demo's test event file replayed in the page on the virtual clock: every shot it takes and
// the canvas at the end equal the native headless run's pictures pixel for pixel, and the
// recording of the page's mixer equals the native --audio-out sample for sample.
//   node demo_replay.js SITE_DIR TEST_DIR [NATIVE_TAV GAME_DIR]
// TEST_DIR holds events.txt and the native run's shots (games/demo/test); with NATIVE_TAV the
// native program is run with the same options for the final picture and the recording.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const h = require('./harness');

(async () => {
  const [site, testDir, nativeTav, gameDir] = process.argv.slice(2);
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
    let finalPng = (await h.readPageFile(page, '/replay/final.png')).toString('base64');
    if (nativeTav) {
      const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-replay-'));
      execFileSync(nativeTav, [gameDir, '--headless', '--seed', '1', '--events', path.join(testDir, 'events.txt'),
                               '--audio-out', path.join(work, 'audio.wav'), '--screenshot', path.join(work, 'final.png'),
                               '--save-dir', path.join(work, 'saves')], { cwd: work, stdio: ['ignore', 'ignore', 'inherit'] });
      finalPng = fs.readFileSync(path.join(work, 'final.png')).toString('base64');
      const native = fs.readFileSync(path.join(work, 'audio.wav'));
      const web = await h.readPageFile(page, '/replay/audio.wav');
      let first = -1;
      for (let i = 0; i < Math.min(native.length, web.length); ++i) if (native[i] !== web[i]) { first = i; break; }
      h.check(native.length === web.length && first < 0,
              `the page's recording (${web.length} bytes) equals the native --audio-out (${native.length} bytes)` +
              (first >= 0 ? `; first difference at byte ${first}` : ''));
      h.check(native.length > 44 + 44100 * 4, 'the recording holds more than a second of sound');
      fs.rmSync(work, { recursive: true, force: true });
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
