// Clicks land on the right game pixels however the page is sized: the picture in whole multiples
// with sharp pixels when one fits, scaled down to fit otherwise; a click on はじめる opens the name
// box at each size, a click beside the picture or on the title's text does nothing, and the right
// press opens the game's menu (not the browser's), which Escape closes again.
//   node demo_resize.js SITE_DIR
'use strict';
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
  } finally {
    await browser.close();
    server.close();
  }
  h.finish();
})().catch((e) => { console.log('FAILED:', e); process.exit(1); });
