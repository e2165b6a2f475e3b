// Drives `tav --debug-adapter` with the Debug Adapter Protocol's own test client.
// Environment: TAV (the program), TAVTOOL (builds the test game's view), TAV_NODE_MODULES (where
// tests/debug/install-client put the client).
'use strict';
const assert = require('node:assert/strict');
const { test } = require('node:test');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { DebugClient } = require(path.join(process.env.TAV_NODE_MODULES, '@vscode/debugadapter-testsupport'));

// A copy of the test game with its view built, in a fresh folder.
function makeGame() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tav-debug-'));
  fs.cpSync(path.join(__dirname, 'game'), dir, { recursive: true });
  const view = path.join(dir, 'config', 'view', 'MENU.json');
  execFileSync(process.env.TAVTOOL, ['view', 'build', view, '-o', view.replace(/\.json$/, '.tav')]);
  fs.rmSync(view);
  return dir;
}
const game = makeGame();
const startup = path.join(game, 'config', 'startup.tas');
const twice = path.join(game, 'config', 'global', 'Twice.tas');
const handler = path.join(game, 'config', 'view', 'MENU', 'LEFTDOWN1.tas');

// A client whose events are kept, so that none is missed between a request and the wait.
async function startClient() {
  const dc = new DebugClient(process.env.TAV, '--debug-adapter', 'tav', { cwd: game });
  dc.defaultTimeout = 10000;
  const seen = {};
  const waiting = [];
  const deliver = () => {
    for (let i = waiting.length - 1; i >= 0; --i) {
      const w = waiting[i];
      const list = seen[w.type] || [];
      const at = list.findIndex((e, k) => k >= (w.from || 0) && !e.taken && w.match(e));
      if (at >= 0) {
        list[at].taken = true;
        waiting.splice(i, 1);
        clearTimeout(w.timer);
        w.resolve(list[at]);
      }
    }
  };
  for (const type of ['stopped', 'output', 'exited', 'terminated', 'initialized']) {
    dc.on(type, (event) => {
      event.at = process.hrtime.bigint();
      (seen[type] = seen[type] || []).push(event);
      deliver();
    });
  }
  dc.next = (type, match = () => true, timeout = 10000) =>
    new Promise((resolve, reject) => {
      const w = { type, match, resolve };
      w.timer = setTimeout(() => reject(new Error(`no ${type} event within ${timeout} ms`)), timeout);
      waiting.push(w);
      deliver();
    });
  dc.outputText = () => (seen.output || []).map((e) => e.body.output).join('');
  await dc.start();
  // A game ended by the watchdog takes the adapter with it: a request sent then finds no reader.
  dc._adapterProcess.stdin.on('error', () => {});
  dc.ended = new Promise((resolve) => dc._adapterProcess.on('exit', (code) => resolve(code)));
  return dc;
}

// Launches with `breakpoints` ({path: [lines or breakpoint objects]}) set before the game starts.
async function launch(dc, args = {}, breakpoints = {}, functions = []) {
  await dc.initializeRequest();
  await dc.launchRequest({ game: '.', headless: true, seed: 1, ...args });
  await dc.next('initialized');
  const answers = {};
  for (const [file, lines] of Object.entries(breakpoints)) {
    const list = lines.map((l) => (typeof l === 'number' ? { line: l } : l));
    answers[file] = (await dc.setBreakpointsRequest({ source: { path: file }, breakpoints: list })).body.breakpoints;
  }
  if (functions.length) {
    answers.functions = (await dc.setFunctionBreakpointsRequest({ breakpoints: functions.map((name) => ({ name })) }))
      .body.breakpoints;
  }
  await dc.configurationDoneRequest();
  return answers;
}

async function stoppedAt(dc, reason) {
  const event = await dc.next('stopped');
  assert.equal(event.body.reason, reason);
  const frames = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
  return frames;
}

async function variables(dc, frameId, scopeName) {
  const scopes = (await dc.scopesRequest({ frameId })).body.scopes;
  const scope = scopes.find((s) => s.name === scopeName);
  assert.ok(scope, `scope ${scopeName} among ${scopes.map((s) => s.name)}`);
  const list = (await dc.variablesRequest({ variablesReference: scope.variablesReference })).body.variables;
  return Object.fromEntries(list.map((v) => [v.name, v]));
}

async function finish(dc, code = 0) {
  const exited = await dc.next('exited');
  assert.equal(exited.body.exitCode, code);
  await dc.next('terminated');
  // The editor answers `terminated` with disconnect (unless the adapter has gone already).
  const gone = Promise.race([dc.ended, new Promise((resolve) => setTimeout(resolve, 3000))]);
  await Promise.race([dc.disconnectRequest().catch(() => {}), gone]);
  dc.stopAdapter();
}

test('a breakpoint in the start-up script shows the stack and the locals', async () => {
  const dc = await startClient();
  const answers = await launch(dc, {}, { [startup]: [3, 10] });
  assert.equal(answers[startup][0].verified, true);
  // Line 10 is blank: the breakpoint moves to the next statement and says so.
  assert.equal(answers[startup][1].line, 11);
  assert.match(answers[startup][1].message, /moved from line 10 to line 11/);
  const frames = await stoppedAt(dc, 'breakpoint');
  assert.equal(frames[0].name, 'startup');
  assert.equal(frames[0].line, 3);
  assert.equal(fs.realpathSync(frames[0].source.path), fs.realpathSync(startup));
  const locals = await variables(dc, frames[0].id, 'Locals');
  assert.equal(locals.TOTAL.value, '0');
  assert.equal(locals.TOTAL.type, 'INT');
  const globals = await variables(dc, frames[0].id, 'Globals');
  assert.equal(globals.GCOUNT.type, 'INT');
  await dc.continueRequest({ threadId: 1 });
  const at11 = await stoppedAt(dc, 'breakpoint');
  assert.equal(at11[0].line, 11);
  const objects = await variables(dc, at11[0].id, 'Locals');
  assert.equal(objects.C.type, 'OBJECT');
  const members = (await dc.variablesRequest({ variablesReference: objects.C.variablesReference })).body.variables;
  assert.deepEqual(members.filter((m) => m.name === 'N').map((m) => [m.value, m.type]), [['5', 'INT']]);
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
  assert.match(dc.outputText(), /MessageBox: total 1006/);
});

test('stepping over, into and out of a global FUNC and a type FUNC', async () => {
  const dc = await startClient();
  await launch(dc, {}, { [startup]: [3] });
  await stoppedAt(dc, 'breakpoint');
  await dc.stepInRequest({ threadId: 1 });
  let frames = await stoppedAt(dc, 'step');
  assert.deepEqual(frames.map((f) => [f.name, f.line]), [['Twice', 1], ['startup', 3]]);
  assert.equal(fs.realpathSync(frames[0].source.path), fs.realpathSync(twice));
  await dc.nextRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.deepEqual([frames[0].name, frames[0].line], ['Twice', 2]);
  // evaluate in a chosen frame: the callee's argument and local, the caller's local.
  const inTwice = async (expression, frameId) => (await dc.evaluateRequest({ expression, frameId, context: 'watch' })).body;
  assert.equal((await inTwice('twice + 1', frames[0].id)).result, '7');
  assert.equal((await inTwice('ARGS[0]', frames[0].id)).result, '3');
  assert.equal((await inTwice('total', frames[1].id)).result, '0');
  await dc.stepOutRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.deepEqual(frames.map((f) => [f.name, f.line]), [['startup', 4]]);
  assert.equal((await inTwice('total', frames[0].id)).result, '6');
  await dc.nextRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.equal(frames[0].line, 5);
  await dc.stepInRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.deepEqual(frames.map((f) => [f.name, f.line]), [['Counter.Inc', 1], ['startup', 5]]);
  const self = await variables(dc, frames[0].id, 'THIS');
  assert.equal(self.N.value, '0');
  await dc.nextRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.deepEqual([frames[0].name, frames[0].line], ['Counter.Inc', 2]);
  await dc.nextRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'step');
  assert.deepEqual(frames.map((f) => [f.name, f.line]), [['startup', 6]]);
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
});

test('stepping over a statement that calls twice stops at the next statement', async () => {
  const dc = await startClient();
  await launch(dc, {}, { [startup]: [15] });
  await stoppedAt(dc, 'breakpoint');
  await dc.nextRequest({ threadId: 1 });
  const frames = await stoppedAt(dc, 'step');
  assert.deepEqual(frames.map((f) => [f.name, f.line]), [['startup', 16]]);
  assert.equal((await dc.evaluateRequest({ expression: 'total', frameId: frames[0].id })).body.result, '6');
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
});

test('a conditional breakpoint in a 1,000-pass loop stops once; a logpoint prints', async () => {
  const dc = await startClient();
  await launch(dc, {}, { [startup]: [{ line: 8, condition: 'i == 500' }, { line: 11, logMessage: 'the total is {total}' }] });
  const frames = await stoppedAt(dc, 'breakpoint');
  assert.equal(frames[0].line, 8);
  const locals = await variables(dc, frames[0].id, 'Locals');
  assert.equal(locals.I.value, '500');
  assert.equal(locals.TOTAL.value, '506');
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
  assert.match(dc.outputText(), /the total is 1006\n/);
  assert.match(dc.outputText(), /MessageBox: total 1006/);
});

test('hit counts and function breakpoints', async () => {
  const dc = await startClient();
  const answers = await launch(dc, {}, { [startup]: [{ line: 8, hitCondition: '>= 999' }] }, ['counter.inc', 'Nowhere']);
  assert.deepEqual(answers.functions.map((b) => b.verified), [true, false]);
  assert.match(answers.functions[1].message, /no script file of the game is the body of Nowhere/);
  let frames = await stoppedAt(dc, 'function breakpoint');
  assert.deepEqual([frames[0].name, frames[0].line], ['Counter.Inc', 1]);
  await dc.continueRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'breakpoint');
  assert.equal((await variables(dc, frames[0].id, 'Locals')).I.value, '998');
  await dc.continueRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'breakpoint');
  assert.equal((await variables(dc, frames[0].id, 'Locals')).I.value, '999');
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
});

test('a breakpoint in a view handler reached by a click from the event file', async () => {
  const dc = await startClient();
  const least = path.join(game, 'config', 'global', 'Least.tas');
  await launch(dc, { events: 'events.txt' },
               { [handler.toUpperCase().replace(game.toUpperCase(), game)]: [2], [least]: [1] });
  // Least only returns: its body runs as a list of steps, which stop as statements do.
  let frames = await stoppedAt(dc, 'breakpoint');
  assert.deepEqual(frames.slice(0, 2).map((f) => [f.name, f.line]), [['Least', 1], ['MENU.LEFTDOWN1', 1]]);
  assert.equal((await dc.evaluateRequest({ expression: 'ARGS[1]', frameId: frames[0].id })).body.result, '99');
  await dc.continueRequest({ threadId: 1 });
  frames = await stoppedAt(dc, 'breakpoint');
  assert.deepEqual([frames[0].name, frames[0].line], ['MENU.LEFTDOWN1', 2]);
  assert.equal((await dc.evaluateRequest({ expression: 'part', frameId: frames[0].id })).body.result, '7');
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
  assert.match(dc.outputText(), /MessageBox: clicked part 7/);
});

test('setVariable changes what the script prints', async () => {
  const dc = await startClient();
  await launch(dc, {}, { [startup]: [11] });
  const frames = await stoppedAt(dc, 'breakpoint');
  const scopes = (await dc.scopesRequest({ frameId: frames[0].id })).body.scopes;
  const locals = scopes.find((s) => s.name === 'Locals').variablesReference;
  const answer = await dc.setVariableRequest({ variablesReference: locals, name: 'total', value: '40 + 2' });
  assert.equal(answer.body.value, '42');
  await assert.rejects(dc.setVariableRequest({ variablesReference: locals, name: 'nothing', value: '1' }), /no variable "nothing"/);
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
  assert.match(dc.outputText(), /MessageBox: total 42\n/);
});

test('pause stops an endless loop; terminate ends the game as a close does', async () => {
  const dc = await startClient();
  await launch(dc, {}, { [startup]: [11] });
  const frames = await stoppedAt(dc, 'breakpoint');
  const globals = (await dc.scopesRequest({ frameId: frames[0].id })).body.scopes.find((s) => s.name === 'Globals');
  await dc.setVariableRequest({ variablesReference: globals.variablesReference, name: 'gcount', value: '1' });
  await dc.continueRequest({ threadId: 1 });
  await new Promise((r) => setTimeout(r, 300));
  await dc.pauseRequest({ threadId: 1 });
  const paused = await stoppedAt(dc, 'pause');
  assert.equal(paused[0].name, 'Spin');
  assert.ok([2, 3].includes(paused[0].line), `paused at line ${paused[0].line}`);
  assert.ok(Number((await dc.evaluateRequest({ expression: 'gcount', frameId: paused[0].id })).body.result) > 1);
  await dc.terminateRequest();
  // A loop that never pumps ignores the close: the watchdog ends it with its exit code.
  await finish(dc, 4);
});

test('terminate, disconnect and SIGTERM end a stopped game that pumps with exit code 0', async () => {
  for (const how of ['terminate', 'disconnect', 'SIGTERM']) {
    const dc = await startClient();
    await launch(dc, { events: 'events.txt' }, { [startup]: [3] });
    await stoppedAt(dc, 'breakpoint');
    if (how === 'terminate') {
      await dc.terminateRequest();
      await finish(dc, 0);
    } else if (how === 'SIGTERM') {
      // As if the player pressed Ctrl+C in the terminal tav runs in: the game closes.
      dc._adapterProcess.kill('SIGTERM');
      await finish(dc, 0);
    } else {
      await dc.disconnectRequest();
      assert.equal(await dc.ended, 0);
    }
  }
});

test('bad requests get clear errors and the session goes on', async () => {
  const dc = await startClient();
  await dc.initializeRequest();
  await assert.rejects(dc.stackTraceRequest({ threadId: 1 }), /before launch/);
  await assert.rejects(dc.launchRequest({ game: 'no-such-folder', headless: true }), /does not exist/);
  // Broken messages: each gets an error response, and the adapter goes on.
  let raw = '';
  dc._adapterProcess.stdout.on('data', (data) => { raw += data.toString(); });
  dc._adapterProcess.stdin.write('Content-Length: 5\r\n\r\n{bad}');
  dc._adapterProcess.stdin.write('Content-Length: nine\r\n\r\n');
  dc._adapterProcess.stdin.write('Content-Length: 2\r\n\r\n[]');
  await dc.launchRequest({ game: '.', headless: true });
  assert.match(raw, /"message":"a broken message was dropped: a message body is not valid JSON","request_seq":0,"seq":\d+,"success":false/);
  assert.match(raw, /a broken message was dropped: the Content-Length \\"nine\\" is not a number/);
  assert.match(raw, /a message body is not a JSON object/);
  await dc.next('initialized');
  await assert.rejects(
    dc.setBreakpointsRequest({ source: { path: path.join(game, 'config', 'missing.tas') }, breakpoints: [{ line: 1 }] }),
    /is not in the game folder/);
  await assert.rejects(dc.setBreakpointsRequest({ source: { path: startup }, breakpoints: [{ line: 400 }] }),
    /line 400 is outside .* which has 16 lines/);
  await assert.rejects(dc.customRequest('frobnicate'), /unknown request "frobnicate"/);
  await dc.setBreakpointsRequest({ source: { path: startup }, breakpoints: [{ line: 3 }] });
  await dc.configurationDoneRequest();
  const frames = await stoppedAt(dc, 'breakpoint');
  await assert.rejects(dc.evaluateRequest({ expression: '1 +* (', frameId: frames[0].id }), /does not compile/);
  await assert.rejects(dc.scopesRequest({ frameId: 99 }), /no stack frame 99/);
  await assert.rejects(dc.variablesRequest({ variablesReference: 999 }), /no variable with reference 999/);
  await assert.rejects(dc.continueRequest({ threadId: 1 }).then(() => dc.stackTraceRequest({ threadId: 1 })), /needs a stopped game/);
  await finish(dc);
});

test('from a breakpoint hit to the stopped event takes under 10 ms', async () => {
  const dc = await startClient();
  // The logpoint on line 2 is written as its statement starts; the breakpoint on line 3 stops
  // at the next one.
  await launch(dc, {}, { [startup]: [{ line: 2, logMessage: 'hit' }, 3] });
  const logged = await dc.next('output', (e) => e.body.output === 'hit\n');
  const stopped = await dc.next('stopped');
  const ms = Number(stopped.at - logged.at) / 1e6;
  console.log(`hit to stopped: ${ms.toFixed(3)} ms`);
  assert.ok(ms < 10, `${ms} ms`);
  await dc.continueRequest({ threadId: 1 });
  await finish(dc);
});
