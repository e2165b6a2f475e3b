// The debugger with the game in its window (under Xvfb): while stopped, clicks do not reach the
// game and the close box ends it. Environment: TAV, TAVTOOL, WINDOW_TOOL (tests/xvfb/window_tool),
// TAV_NODE_MODULES.
'use strict';
const assert = require('node:assert/strict');
const { test, after } = require('node:test');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync, spawn } = require('node:child_process');
const { DebugClient } = require(path.join(process.env.TAV_NODE_MODULES, '@vscode/debugadapter-testsupport'));

const game = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-debug-window-'));
fs.cpSync(path.join(__dirname, 'game'), game, { recursive: true });
const view = path.join(game, 'config', 'view', 'MENU.json');
execFileSync(process.env.TAVTOOL, ['view', 'build', view, '-o', view.replace(/\.json$/, '.tav')]);
fs.rmSync(view);
// A window's MessageBox waits for the player: here the lines that print assign instead.
const rewrite = (file, from, to) => {
  const text = fs.readFileSync(file, 'latin1');
  assert.ok(text.includes(from), `${file} holds ${from}`);
  fs.writeFileSync(file, text.replace(from, to), 'latin1');
};
rewrite(path.join(game, 'config', 'startup.tas'), 'MessageBox("total " + total);', 'gcount = 0;');
rewrite(path.join(game, 'config', 'view', 'MENU', 'LEFTDOWN1.tas'), 'MessageBox("clicked part " + part);', 'gcount = part;');
const startup = path.join(game, 'config', 'startup.tas');

let server;
after(() => server && server.kill());

// An X server on a free display; answers ":N".
function startServer() {
  return new Promise((resolve, reject) => {
    server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1024x768x24', '-noreset'],
                   { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    let text = '';
    server.stdio[3].on('data', (data) => {
      text += data.toString();
      if (text.includes('\n')) resolve(':' + text.trim());
    });
    server.on('error', reject);
  });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

test('stopped in a window: input is held back and the close box ends the game', async () => {
  const display = await startServer();
  const env = { ...process.env, DISPLAY: display, SDL_AUDIODRIVER: 'dummy' };
  const dc = new DebugClient(process.env.TAV, '--debug-adapter', 'tav', { cwd: game, env });
  dc.defaultTimeout = 15000;
  await dc.start();
  let output = '';
  dc.on('output', (e) => { output += e.body.output; });
  const exited = new Promise((resolve) => dc.on('exited', (e) => resolve(e.body.exitCode)));
  await dc.initializeRequest();
  const initialized = dc.waitForEvent('initialized');
  await dc.launchRequest({ game: '.', seed: 1 });
  await initialized;
  await dc.setBreakpointsRequest({ source: { path: startup }, breakpoints: [{ line: 14 }] });
  let stopped = dc.waitForEvent('stopped', 15000);
  await dc.configurationDoneRequest();
  await stopped.catch((e) => { throw new Error(e.message + ': ' + output); });
  const window = execFileSync(process.env.WINDOW_TOOL, ['list'], { env }).toString()
    .split('\n').filter((l) => / TAV/.test(l)).map((l) => l.split(' ')[0])[0];
  assert.ok(window, 'the game window is open');
  const click = () => execFileSync('xdotool', ['mousemove', '--window', window, '550', '70', 'click', '1'], { env });
  // The view is shown once RefreshView runs; a click while stopped must be lost, not delivered later.
  click();
  await sleep(500);
  // The handler's breakpoint is set before going on: a click kept back and delivered later
  // would stop there at once.
  await dc.setBreakpointsRequest({ source: { path: startup }, breakpoints: [] });
  await dc.setBreakpointsRequest({ source: { path: path.join(game, 'config', 'view', 'MENU', 'LEFTDOWN1.tas') },
                                   breakpoints: [{ line: 2 }] });
  stopped = dc.waitForEvent('stopped', 1500);
  await dc.continueRequest({ threadId: 1 });
  await assert.rejects(stopped, /no event 'stopped'/);
  // Running, the same click reaches the handler; stopped there, the close box ends the game.
  stopped = dc.waitForEvent('stopped', 15000);
  click();
  const frames = (await stopped.then(() => dc.stackTraceRequest({ threadId: 1 }))).body.stackFrames;
  assert.deepEqual([frames[0].name, frames[0].line], ['MENU.LEFTDOWN1', 2]);
  assert.equal((await dc.evaluateRequest({ expression: 'part', frameId: frames[0].id })).body.result, '7');
  execFileSync(process.env.WINDOW_TOOL, ['close', window], { env });
  assert.equal(await Promise.race([exited, sleep(10000).then(() => 'no exit')]), 0);
  await Promise.race([dc.disconnectRequest().catch(() => {}), sleep(2000)]);
  dc.stopAdapter();
});
