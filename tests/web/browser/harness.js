// What the browser tests share: a static server on 127.0.0.1 that logs every request, headless
// Chromium driven by puppeteer-core, and pixel reads of the page's canvas and of PNG files.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');

const cache = path.join(process.env.TAV_NODE_CACHE || path.join(process.env.HOME, '.cache', 'tav-node'), 'browser');
const puppeteer = require(path.join(cache, 'node_modules', 'puppeteer-core'));

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.json': 'application/json',
                '.wasm': 'application/wasm', '.png': 'image/png', '.txt': 'text/plain' };

// Serves `root` (and `extra` folders under their prefixes). `requests` lists every path asked
// for, with the bytes sent and their gzip size (what a compressing host would send).
function serve(root, extra = {}) {
  const requests = [];
  const missing = new Set();  // paths answered 404 (a broken host), set by the test
  const server = http.createServer((request, response) => {
    const url = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (missing.has(url)) {
      requests.push({ url, status: 404, bytes: 0, gzip: 0 });
      response.writeHead(404);
      response.end();
      return;
    }
    let file = path.join(root, url);
    for (const [prefix, folder] of Object.entries(extra)) {
      if (url.startsWith(prefix)) file = path.join(folder, url.slice(prefix.length));
    }
    if (file.endsWith('/')) file += 'index.html';
    fs.readFile(file, (err, data) => {
      if (err) {
        requests.push({ url, status: 404, bytes: 0, gzip: 0 });
        response.writeHead(404);
        response.end();
        return;
      }
      requests.push({ url, status: 200, bytes: data.length, gzip: zlib.gzipSync(data, { level: 6 }).length });
      response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
                                'Cache-Control': 'no-store' });
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
    resolve({ url: `http://127.0.0.1:${server.address().port}/`, requests, missing, close: () => server.close() });
  }));
}

async function launch() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--autoplay-policy=no-user-gesture-required'] });
}

// Headless Chromium lets every audio context run; a desktop browser holds it until the player's
// first click or key. This makes the page's contexts behave that way.
async function holdSoundUntilGesture(page) {
  await page.evaluateOnNewDocument(() => {
    let gesture = false;
    for (const type of ['pointerdown', 'keydown']) window.addEventListener(type, () => { gesture = true; }, true);
    const Original = window.AudioContext;
    window.AudioContext = class extends Original {
      constructor(options) {
        super(options);
        if (!gesture) this.suspend();
      }
      resume() { return gesture ? super.resume() : Promise.resolve(); }
    };
  });
}

async function openPage(browser, width = 1000, height = 750, hasTouch = false) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, hasTouch });
  page.on('pageerror', (e) => console.log('page error:', e.message));
  page.on('console', (m) => { if (process.env.TAV_VERBOSE) console.log('page:', m.text()); });
  return page;
}

// The canvas's pixels as base64 RGBA.
async function canvasPixels(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  });
}

// A PNG's pixels as base64 RGBA, decoded by the browser without colour conversion.
async function pngPixels(page, pngBase64) {
  return page.evaluate(async (png) => {
    const bytes = Uint8Array.from(atob(png), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }),
                                           { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  }, pngBase64);
}

// Where two RGBA pictures of 800 x 600 first differ, or null when they are equal.
function firstDifference(a, b) {
  const x = Buffer.from(a, 'base64'), y = Buffer.from(b, 'base64');
  if (x.length !== y.length) return `sizes differ: ${x.length} and ${y.length} bytes`;
  for (let i = 0; i < x.length; ++i) {
    if (x[i] !== y[i]) {
      const pixel = i >> 2;
      return `pixel (${pixel % 800}, ${Math.floor(pixel / 800)}) differs: ` +
             `${x.subarray(pixel * 4, pixel * 4 + 4).toString('hex')} vs ${y.subarray(pixel * 4, pixel * 4 + 4).toString('hex')}`;
    }
  }
  return null;
}

// A file of the engine's file system in the page, as a Buffer.
async function readPageFile(page, file) {
  return Buffer.from(await page.evaluate((f) => {
    const data = FS.readFile(f);
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return btoa(text);
  }, file), 'base64');
}

// Client coordinates of a game pixel, from where the page placed the canvas.
async function clientPoint(page, x, y) {
  return page.evaluate((gx, gy) => {
    const rect = document.getElementById('screen').getBoundingClientRect();
    return [rect.left + (gx + 0.5) * rect.width / 800, rect.top + (gy + 0.5) * rect.height / 600];
  }, x, y);
}

async function clickGame(page, x, y) {
  const [cx, cy] = await clientPoint(page, x, y);
  await page.mouse.click(cx, cy);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let failures = 0;
function check(condition, message) {
  console.log((condition ? 'ok: ' : 'FAILED: ') + message);
  if (!condition) failures++;
}
function finish() {
  if (failures) console.log(`${failures} check(s) failed`);
  process.exit(failures ? 1 : 0);
}

module.exports = { serve, launch, holdSoundUntilGesture, openPage, canvasPixels, pngPixels, firstDifference, readPageFile, clientPoint,
                   clickGame, sleep, check, finish };
