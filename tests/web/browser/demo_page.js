// The page around the game. Clicks land on the right game pixels however the page is sized: the
// picture in whole multiples with sharp pixels when one fits, scaled down to fit otherwise; a
// click on はじめる opens the name box at each size, a click beside the picture or on the title's
// text does nothing, and the right press opens the game's menu (not the browser's), which Escape
// closes again. Then: a tap is a click and the on-screen keys work; Alt+Enter shows full screen;
// Alt+S downloads the picture as a PNG; sound waits for the first click behind 「クリックして
// はじめる」; a file the host fails to send stops the game with an error overlay.
//   node demo_page.js SITE_DIR
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness');

const SIZES = [
  { width: 1000, height: 750, scale: 1, sharp: true },
  { width: 1700, height: 1300, scale: 2, sharp: true },
  { width: 700, height: 500, scale: null, sharp: false },
];

(async () => {
  const [site] = process.argv.slice(2);
  const server = await h.serve(site);
  const browser = await h.launch();
  try {
    for (const size of SIZES) {
      const page = await h.openPage(browser, size.width, size.height);
      await page.goto(server.url);
      await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
      await h.sleep(300);
      const placed = await page.evaluate(() => {
        const canvas = document.getElementById('screen'), rect = canvas.getBoundingClientRect();
        const stage = document.getElementById('stage').getBoundingClientRect();
        return { width: rect.width, height: rect.height, sharp: canvas.classList.contains('sharp'),
                 inside: rect.left >= stage.left && rect.top >= stage.top && rect.right <= stage.right + 0.5 &&
                         rect.bottom <= stage.bottom + 0.5 };
      });
      const name = `${size.width}x${size.height}`;
      h.check(placed.inside && placed.sharp === size.sharp && Math.abs(placed.width / placed.height - 4 / 3) < 0.01 &&
              (size.scale === null || (placed.width === 800 * size.scale && placed.height === 600 * size.scale)),
              `${name}: the picture is placed ${placed.width}x${placed.height}${placed.sharp ? ', sharp' : ''}`);

      const title = await h.canvasPixels(page);
      const rect = await page.evaluate(() => document.getElementById('screen').getBoundingClientRect().toJSON());
      if (rect.left > 4) await page.mouse.click(rect.left / 2, rect.top + rect.height / 2);  // the border
      await h.clickGame(page, 400, 120);  // the title's text
      await h.sleep(300);
      h.check(h.firstDifference(await h.canvasPixels(page), title) === null, `${name}: clicks beside the menu do nothing`);

      const [cx, cy] = await h.clientPoint(page, 300, 300);
      const menuPrevented = await page.evaluate((x, y) => {
        const event = new MouseEvent('contextmenu', { clientX: x, clientY: y, bubbles: true, cancelable: true });
        return !document.getElementById('screen').dispatchEvent(event);
      }, cx, cy);
      await page.mouse.click(cx, cy, { button: 'right' });
      await h.sleep(300);
      const withMenu = await h.canvasPixels(page);
      h.check(menuPrevented && h.firstDifference(withMenu, title) !== null,
              `${name}: the right press opens the game's menu, not the browser's`);
      await page.keyboard.press('Escape');
      await h.sleep(300);
      h.check(h.firstDifference(await h.canvasPixels(page), title) === null, `${name}: Escape closes the menu`);

      await h.clickGame(page, 410, 370);  // はじめる
      const opened = await page.waitForFunction(() => document.activeElement && document.activeElement.id === 'text-input',
                                                { timeout: 3000 }).then(() => true, () => false);
      h.check(opened, `${name}: a click on はじめる opens the name box`);
      await page.close();
    }

    // Touch: the on-screen keys show, a tap on はじめる opens the name box, 取消 (Escape) closes it.
    let page = await h.openPage(browser, 700, 500, true);
    await page.goto(server.url);
    await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
    await h.sleep(300);
    const title = await h.canvasPixels(page);
    const [tx, ty] = await h.clientPoint(page, 410, 370);
    await page.touchscreen.tap(tx, ty);
    const tapped = await page.waitForFunction(() => document.activeElement && document.activeElement.id === 'text-input',
                                              { timeout: 3000 }).then(() => true, () => false);
    const keysShown = await page.evaluate(() => !document.getElementById('touch-keys').hidden);
    h.check(tapped && keysShown, 'a tap on はじめる opens the name box; the on-screen keys show');
    const escape = await page.$('#touch-keys button[data-vk="27"]');
    const box = await escape.boundingBox();
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
    await h.sleep(400);
    h.check(await page.evaluate(() => document.activeElement.id !== 'text-input'), 'the on-screen 取消 closes the name box');
    await page.close();

    // Full screen, and the screenshot key.
    page = await h.openPage(browser);
    const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-shot-'));
    const cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.goto(server.url);
    await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
    await h.sleep(300);
    await page.keyboard.down('Alt');
    await page.keyboard.press('Enter');
    await page.keyboard.up('Alt');
    await h.sleep(300);
    h.check(await page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id === 'stage'),
            'Alt+Enter shows the picture full screen');
    await page.keyboard.down('Alt');
    await page.keyboard.press('KeyS');
    await page.keyboard.up('Alt');
    let shot = null;
    for (let i = 0; i < 50 && !shot; ++i) {
      await h.sleep(100);
      shot = fs.readdirSync(downloads).find((f) => /^demo-.*\.png$/.test(f));
    }
    h.check(shot && h.firstDifference(await h.pngPixels(page, fs.readFileSync(path.join(downloads, shot)).toString('base64')),
                                      await h.canvasPixels(page)) === null,
            `Alt+S downloads the game's picture as a PNG (${shot})`);
    fs.rmSync(downloads, { recursive: true, force: true });
    await page.close();

    // Sound held back until a gesture: it waits for a click, which the game does not get.
    page = await h.openPage(browser);
    await h.holdSoundUntilGesture(page);
    await page.goto(server.url);
    await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
    await h.sleep(300);
    const held = await page.evaluate(() => ({ overlay: !document.getElementById('overlay').hidden,
                                              text: document.getElementById('overlay-text').textContent,
                                              audio: window.tavPage.audio && window.tavPage.audio.state }));
    await h.clickGame(page, 410, 370);
    await h.sleep(500);
    const after = await page.evaluate(() => ({ overlay: !document.getElementById('overlay').hidden,
                                               audio: window.tavPage.audio.state,
                                               box: document.activeElement.id === 'text-input' }));
    h.check(held.overlay && held.text === 'クリックして はじめる' && held.audio !== 'running' && !after.overlay &&
            after.audio === 'running' && !after.box,
            `the first click lets the sound start and goes no further (${JSON.stringify([held, after])})`);
    await page.close();

    // A file the host fails to send.
    server.missing.add('/game/config/startup.tas');
    page = await h.openPage(browser);
    await page.goto(server.url);
    await page.waitForFunction(() => window.tavPage.state === 'failed', { timeout: 30000 });
    const overlay = await page.evaluate(() => ({ shown: !document.getElementById('overlay').hidden,
                                                 text: document.getElementById('overlay-text').textContent }));
    h.check(overlay.shown && overlay.text.includes('startup.tas') && overlay.text.includes('404'),
            `a missing file stops the page with an error overlay (${overlay.text.replace(/\n/g, ' ')})`);
    server.missing.clear();
    await page.close();
  } finally {
    await browser.close();
    server.close();
  }
  h.finish();
})().catch((e) => { console.log('FAILED:', e); process.exit(1); });
