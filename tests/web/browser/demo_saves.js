// Saves in the page: kept in IndexedDB, downloaded as one file and uploaded into another browser
// (a fresh profile) where つづきから brings the same town back; a damaged save there falls back to
// its backup after a reload.
//   node demo_saves.js SITE_DIR
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness');

const SAVE = '/persist/saves/demo/ぼうけん.sav';

async function start(browser, server) {
  const page = await h.openPage(browser);
  await page.goto(server.url);
  await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
  await h.sleep(300);
  return page;
}

// From the title: つづきから, and the box that says the adventure goes on.
async function continueGame(page) {
  await page.keyboard.press('ArrowDown');
  await h.sleep(100);
  await page.keyboard.press('Enter');
  await h.sleep(300);
  await page.keyboard.press('Enter');
  await h.sleep(600);
}

async function reload(page) {
  await page.reload();
  await page.waitForFunction(() => window.tavPage.state === 'running' && window.tavPage.presents > 0, { timeout: 60000 });
  await h.sleep(300);
}

const exists = (page, file) => page.evaluate((f) => { try { FS.stat(f); return true; } catch (e) { return false; } }, file);

(async () => {
  const [site] = process.argv.slice(2);
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-saves-'));
  const server = await h.serve(site);
  let town = null;
  let browser = await h.launch();
  try {
    // A new game to the town (saved on arrival), back to the title, つづきから: saved again, the
    // first save now the backup.
    let page = await start(browser, server);
    await h.clickGame(page, 410, 370);
    await page.waitForFunction(() => document.activeElement && document.activeElement.id === 'text-input');
    await page.keyboard.sendCharacter('たろう');
    await page.keyboard.press('Enter');
    await h.sleep(300);
    await page.keyboard.press('Enter');
    await h.sleep(600);
    town = await h.canvasPixels(page);
    await page.keyboard.press('Escape');
    await h.sleep(300);
    await page.keyboard.press('ArrowLeft');  // はい (the box's default is いいえ)
    await h.sleep(100);
    await page.keyboard.press('Enter');  // back to the title
    await h.sleep(500);
    await continueGame(page);
    h.check(h.firstDifference(await h.canvasPixels(page), town) === null, 'つづきから shows the town');
    h.check(await exists(page, SAVE) && await exists(page, SAVE + '.bak'), 'the save and its backup are in the save folder');

    const cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#save-download');
    let file = null;
    for (let i = 0; i < 50 && !file; ++i) {
      await h.sleep(100);
      file = fs.readdirSync(downloads).find((f) => f.endsWith('.json'));
    }
    h.check(file === 'demo-saves.json', `the saves download as one file (${file})`);
    await browser.close();

    // Another browser: nothing saved until the file is uploaded.
    browser = await h.launch();
    page = await start(browser, server);
    h.check(!(await exists(page, SAVE)), 'a fresh browser has no save');
    const input = await page.$('#save-upload');
    await input.uploadFile(path.join(downloads, file));
    await page.waitForFunction((f) => { try { FS.stat(f); return true; } catch (e) { return false; } }, { timeout: 5000 }, SAVE);
    await h.sleep(500);
    await reload(page);
    await continueGame(page);
    h.check(h.firstDifference(await h.canvasPixels(page), town) === null, 'the uploaded save brings the town back after a reload');

    // The save damaged (as by a write cut short): the backup is loaded instead.
    await reload(page);
    await page.evaluate((f) => { FS.writeFile(f, new Uint8Array([1, 2, 3])); Module.tavFlush(); }, SAVE);
    await h.sleep(500);
    await reload(page);
    h.check((await page.evaluate((f) => FS.stat(f).size, SAVE)) === 3, 'the damaged save was kept over the reload');
    await continueGame(page);
    h.check(h.firstDifference(await h.canvasPixels(page), town) === null, 'a damaged save falls back to its backup');

    // A file that is not a saves file changes nothing.
    fs.writeFileSync(path.join(downloads, 'bad.json'), JSON.stringify({ format: 'tav-saves', version: 1, game: 'demo',
                                                                          files: { '../escape.sav': 'AAAA' } }));
    await (await page.$('#save-upload')).uploadFile(path.join(downloads, 'bad.json'));
    await h.sleep(500);
    const note = await page.evaluate(() => document.getElementById('note').textContent);
    h.check(note.startsWith('読み込めません') && !(await exists(page, '/persist/saves/escape.sav')),
            `a saves file with a name leaving the save folder is refused (${note})`);
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(downloads, { recursive: true, force: true });
  }
  h.finish();
})().catch((e) => { console.log('FAILED:', e); process.exit(1); });
