// The page that plays a TAV game: reads site.json (written by `tavtool web`), fetches the files the
// game needs before it starts (showing progress), lays them into the engine's file system, leaves
// music, sounds, text, lists and fonts to be fetched the first time the game opens them, keeps
// saves and settings in IndexedDB, and starts the engine on the canvas.
'use strict';

(function () {
  const W = 800, H = 600;
  const GAME_ROOT = '/games';
  const PERSIST = '/persist';  // IndexedDB: saves and settings
  const canvas = document.getElementById('screen');
  const stage = document.getElementById('stage');
  const overlay = document.getElementById('overlay');
  const overlayText = document.getElementById('overlay-text');
  const overlayButton = document.getElementById('overlay-button');
  const progress = document.getElementById('progress');
  const note = document.getElementById('note');
  const context2d = canvas.getContext('2d', { alpha: false });

  // What tests and the curious can look at: the state, the files fetched late, the audio.
  const page = window.tavPage = { state: 'loading', lazyFetched: [], error: null, exitCode: null, audio: null,
                                  presents: 0, presentMs: [], replay: false };
  let site = null, saveDir = '', running = false, flushTimer = 0;

  // ---- the engine's side of the page ---------------------------------------------------------
  const Module = window.Module = {
    noInitialRun: true,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    locateFile: (name) => name,
    // `pixels` views the engine's memory: drawn from there without a copy.
    tavShow(pixels, width, height) {
      if (width !== W || height !== H) return;
      context2d.putImageData(new ImageData(pixels, width, height), 0, 0);
      page.presents++;
    },
    // How long a whole picture took from the engine's hands to the canvas, in ms.
    tavPresented(ms) {
      page.presentMs.push(ms);
      if (page.presentMs.length > 1000) page.presentMs.shift();
    },
    tavTitle(title) { document.title = title; },
    tavNote: showNote,
    tavDownload(path, name) { downloadBlob(new Blob([FS.readFile(path)], { type: 'image/png' }), name); },
    onAbort(what) { fail(what); },
    // A fault in the engine (the report the native build writes as its crash log).
    onTavCrash(name, message) { fail(name + '\n(' + message + ')'); },
    onExit(code) {
      running = false;
      page.exitCode = code;
      FS.syncfs(false, () => {});
      if (page.state === 'failed') return;
      page.state = 'ended';
      showOverlay(code === 0 ? 'ゲームは終了しました。' : 'ゲームは終了しました (コード ' + code + ')。',
                  'もう一度はじめる', () => location.reload());
    },
    preRun: [],
  };

  function showOverlay(text, button, onButton) {
    overlayText.textContent = text;
    overlay.hidden = false;
    progress.hidden = true;
    overlayButton.hidden = !button;
    if (button) {
      overlayButton.textContent = button;
      overlayButton.onclick = (e) => { e.stopPropagation(); onButton(); };
    }
  }

  function fail(message) {
    if (page.state === 'failed') return;
    page.state = 'failed';
    page.error = String(message);
    running = false;
    showOverlay('エラーのため止まりました。\n' + message, '再読み込み', () => location.reload());
  }

  let noteTimer = 0;
  function showNote(text) {
    note.textContent = text;
    note.hidden = false;
    clearTimeout(noteTimer);
    noteTimer = setTimeout(() => { note.hidden = true; }, 2000);
  }

  // ---- the picture: whole multiples when one fits (sharp pixels), else scaled to fit ----------
  function place() {
    const ratio = window.devicePixelRatio || 1;
    const width = stage.clientWidth, height = stage.clientHeight;
    const fit = Math.min(width * ratio / W, height * ratio / H);
    const whole = Math.floor(fit);
    const scale = whole >= 1 ? whole : fit;
    canvas.style.width = (W * scale / ratio) + 'px';
    canvas.style.height = (H * scale / ratio) + 'px';
    canvas.classList.toggle('sharp', whole >= 1);
  }
  window.addEventListener('resize', place);
  document.addEventListener('fullscreenchange', place);

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen().catch((e) => showNote('全画面にできません: ' + e.message));
  }
  document.getElementById('fullscreen').onclick = toggleFullscreen;

  // ---- sound: the page's audio callback pulls the engine's mixer ------------------------------
  const audio = { context: null, node: null, left: 0, right: 0, frames: 4096, rate: 44100 };
  function startAudio() {
    if (audio.context) return audio.context.resume();
    // At the mixer's own rate when it is open already: then no output is left out.
    if (Module._tav_web_audio_rate && Module._tav_web_audio_rate() > 0) audio.rate = Module._tav_web_audio_rate();
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!AudioContextClass) return Promise.resolve();
    audio.context = new AudioContextClass({ sampleRate: audio.rate });
    audio.node = audio.context.createScriptProcessor(audio.frames, 0, 2);
    audio.node.onaudioprocess = (event) => {
      const out = event.outputBuffer;
      const left = out.getChannelData(0), right = out.getChannelData(1);
      if (!running || !Module._tav_web_audio_fill) { left.fill(0); right.fill(0); return; }
      if (!audio.left) {
        audio.left = Module._malloc(audio.frames * 4);
        audio.right = Module._malloc(audio.frames * 4);
      }
      const n = Math.min(out.length, audio.frames);
      Module._tav_web_audio_fill(audio.left, audio.right, n, audio.context.sampleRate);
      left.set(HEAPF32.subarray(audio.left >> 2, (audio.left >> 2) + n));
      right.set(HEAPF32.subarray(audio.right >> 2, (audio.right >> 2) + n));
      let peak = 0;
      for (let i = 0; i < n; i += 16) peak = Math.max(peak, Math.abs(left[i]), Math.abs(right[i]));
      page.audio.peak = Math.max(page.audio.peak, peak);
    };
    audio.node.connect(audio.context.destination);
    page.audio = { get state() { return audio.context.state; }, peak: 0 };
    return audio.context.resume();
  }

  // Browsers hold sound back until the player clicks or presses a key: the overlay asks for it.
  let unlocked = false;
  function unlock(event) {
    if (unlocked || page.state !== 'running') return false;
    unlocked = true;
    overlay.hidden = true;
    startAudio();
    if (event) event.preventDefault();
    return true;
  }
  overlay.addEventListener('pointerdown', (e) => { if (unlock(e)) e.stopPropagation(); });

  // ---- input: game pixels and virtual-key codes ------------------------------------------------
  function gamePoint(event) {
    const rect = canvas.getBoundingClientRect();
    const x = Math.floor((event.clientX - rect.left) * W / rect.width);
    const y = Math.floor((event.clientY - rect.top) * H / rect.height);
    return x >= 0 && y >= 0 && x < W && y < H ? [x, y] : null;
  }
  function sendMouse(kind, event) {
    if (!running) return;
    const at = gamePoint(event);
    if (at) Module._tav_web_mouse(kind, at[0], at[1], event.button === 2 ? 2 : 0);
  }
  canvas.addEventListener('pointerdown', (e) => {
    if (textMode) textInput.focus({ preventScroll: true });
    else canvas.focus({ preventScroll: true });
    if (e.pointerType === 'touch') document.getElementById('touch-keys').hidden = false;
    sendMouse(0, e);
    e.preventDefault();
  });
  canvas.addEventListener('pointerup', (e) => { sendMouse(1, e); e.preventDefault(); });
  canvas.addEventListener('pointermove', (e) => { if (e.buttons) sendMouse(2, e); });
  // The right press is the game's menu, not the browser's.
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());

  const CODES = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16, ControlLeft: 17,
    ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20, Escape: 27, Space: 32, PageUp: 33,
    PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40,
    PrintScreen: 44, Insert: 45, Delete: 46, NumpadMultiply: 106, NumpadAdd: 107, NumpadSubtract: 109,
    NumpadDecimal: 110, NumpadDivide: 111, Semicolon: 186, Equal: 187, Comma: 188, Minus: 189, Period: 190,
    Slash: 191, Backquote: 192, BracketLeft: 219, Backslash: 220, BracketRight: 221, Quote: 222,
    IntlRo: 226, IntlYen: 220, Convert: 28, NonConvert: 29,
  };
  function virtualKey(code) {
    if (CODES[code]) return CODES[code];
    let m = /^Key([A-Z])$/.exec(code);
    if (m) return m[1].charCodeAt(0);
    m = /^Digit([0-9])$/.exec(code);
    if (m) return 48 + Number(m[1]);
    m = /^Numpad([0-9])$/.exec(code);
    if (m) return 0x60 + Number(m[1]);
    m = /^F([0-9]+)$/.exec(code);
    if (m && Number(m[1]) >= 1 && Number(m[1]) <= 24) return 0x6F + Number(m[1]);
    return 0;
  }
  function keyMods(e) {
    return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0) | (e.repeat ? 8 : 0);
  }
  window.addEventListener('keydown', (e) => {
    if (page.state !== 'running') return;
    if (unlock(e)) return;  // the key that lets the sound start is not the game's
    if (e.altKey && (e.code === 'Enter' || e.code === 'NumpadEnter')) {
      e.preventDefault();
      if (!e.repeat) toggleFullscreen();
      return;
    }
    const vk = virtualKey(e.code);
    // Reload and the browser's own full screen stay the browser's; the rest is the game's.
    if (!vk || e.code === 'F5' || e.code === 'F11' || (e.ctrlKey && e.code === 'KeyR')) return;
    // While the input box shows, printable keys go on to the text field (and its input method).
    const printable = e.key.length === 1 && !e.ctrlKey && !e.altKey;
    if (!(textMode && printable)) e.preventDefault();
    if (e.isComposing) return;
    Module._tav_web_key(1, vk, keyMods(e));
  });
  window.addEventListener('keyup', (e) => {
    if (page.state !== 'running') return;
    const vk = virtualKey(e.code);
    if (!vk) return;
    e.preventDefault();
    Module._tav_web_key(0, vk, keyMods(e));
  });
  // Typed text (and what an input method commits) arrives through a hidden text field that has
  // the focus while the game's input box shows.
  const textInput = document.getElementById('text-input');
  let textMode = false;
  Module.tavTextInput = (on) => {
    textMode = !!on;
    textInput.value = '';
    if (textMode) textInput.focus({ preventScroll: true });
    else canvas.focus({ preventScroll: true });
  };
  textInput.addEventListener('input', (e) => {
    if (e.isComposing || !textInput.value) return;
    if (running && textMode) sendText(textInput.value);
    textInput.value = '';
  });
  textInput.addEventListener('compositionend', () => {
    if (running && textMode && textInput.value) sendText(textInput.value);
    textInput.value = '';
  });
  function sendText(text) {
    const bytes = new TextEncoder().encode(text);
    const at = Module._malloc(bytes.length + 1);
    HEAPU8.set(bytes, at);
    HEAPU8[at + bytes.length] = 0;
    Module._tav_web_text(at);
    Module._free(at);
  }
  // On-screen keys for touch screens: a press and a release of the key.
  for (const button of document.querySelectorAll('#touch-keys button')) {
    button.addEventListener('pointerdown', (e) => {
      e.preventDefault();
      if (unlock()) return;
      if (running) Module._tav_web_key(1, Number(button.dataset.vk), 0);
    });
    button.addEventListener('pointerup', (e) => {
      e.preventDefault();
      if (running) Module._tav_web_key(0, Number(button.dataset.vk), 0);
    });
  }
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) {
    document.getElementById('touch-keys').hidden = false;
  }

  // ---- files ---------------------------------------------------------------------------------
  function fileUrl(path) { return 'game/' + path.split('/').map(encodeURIComponent).join('/'); }

  async function fetchEarly(files) {
    const early = files.filter((f) => !f.lazy);
    const total = early.reduce((sum, f) => sum + f.size, 0) || 1;
    let done = 0;
    const data = new Map();
    let next = 0;
    async function worker() {
      while (next < early.length) {
        const file = early[next++];
        const response = await fetch(fileUrl(file.path));
        if (!response.ok) throw new Error(file.path + ': ' + response.status + ' ' + response.statusText);
        const bytes = new Uint8Array(await response.arrayBuffer());
        data.set(file.path, bytes);
        done += file.size;
        progress.value = done / total;
      }
    }
    await Promise.all([worker(), worker(), worker(), worker()]);
    return data;
  }

  // A file the game may never open: it shows its size at once, and its bytes are fetched (a
  // synchronous request, since the engine reads it in the middle of its own call) the first
  // time anything reads it.
  function createLazyFile(path, url, size) {
    const slash = path.lastIndexOf('/');
    FS.mkdirTree(path.slice(0, slash));
    const node = FS.createFile(path.slice(0, slash), path.slice(slash + 1), {}, true, false);
    node.contents = null;
    node.usedBytes = size;
    let loaded = false;
    function load() {
      if (loaded) return;
      const request = new XMLHttpRequest();
      request.open('GET', url, false);
      request.overrideMimeType('text/plain; charset=x-user-defined');
      request.send(null);
      if (request.status < 200 || request.status >= 300) {
        Module.printErr('cannot fetch ' + url + ': ' + request.status);
        throw new FS.ErrnoError(29);  // EIO
      }
      const text = request.responseText;
      const bytes = new Uint8Array(text.length);
      for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xFF;
      node.contents = bytes;
      node.usedBytes = bytes.length;
      loaded = true;
      page.lazyFetched.push(url);
    }
    const ops = {};
    for (const key of Object.keys(node.stream_ops)) {
      const op = node.stream_ops[key];
      ops[key] = function () { load(); return op.apply(this, arguments); };
    }
    node.stream_ops = ops;
  }

  // ---- saves and settings in IndexedDB --------------------------------------------------------
  // Every file closed or renamed under the persistent folder is written to IndexedDB right after:
  // a save is kept even when the page is closed a moment later.
  let flushing = false, flushAgain = false;
  function scheduleFlush() {
    if (flushing) { flushAgain = true; return; }
    if (flushTimer) return;
    flushTimer = setTimeout(() => {
      flushTimer = 0;
      flushing = true;
      FS.syncfs(false, (err) => {
        flushing = false;
        if (err) showNote('セーブを保存できません: ' + err);
        page.flushes = (page.flushes || 0) + 1;
        if (flushAgain) { flushAgain = false; scheduleFlush(); }
      });
    }, 0);
  }
  Module.tavFlush = scheduleFlush;
  function watchPersistentWrites() {
    const close = FS.close, rename = FS.rename, unlink = FS.unlink;
    FS.close = function (stream) {
      const result = close.apply(this, arguments);
      if (stream && stream.path && stream.path.startsWith(PERSIST + '/')) scheduleFlush();
      return result;
    };
    FS.rename = function (from) {
      const result = rename.apply(this, arguments);
      if (String(from).startsWith(PERSIST + '/')) scheduleFlush();
      return result;
    };
    FS.unlink = function (path) {
      const result = unlink.apply(this, arguments);
      if (String(path).startsWith(PERSIST + '/')) scheduleFlush();
      return result;
    };
    window.addEventListener('pagehide', () => FS.syncfs(false, () => {}));
  }

  function listFiles(dir, base, out) {
    let names = [];
    try { names = FS.readdir(dir); } catch (e) { return out; }
    for (const name of names) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name, relative = base ? base + '/' + name : name;
      const stat = FS.stat(path);
      if (FS.isDir(stat.mode)) listFiles(path, relative, out);
      else out.push(relative);
    }
    return out;
  }
  function toBase64(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }
  function downloadBlob(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }
  document.getElementById('save-download').onclick = () => {
    if (!saveDir) return;
    const files = {};
    for (const relative of listFiles(saveDir, '', [])) files[relative] = toBase64(FS.readFile(saveDir + '/' + relative));
    const text = JSON.stringify({ format: 'tav-saves', version: 1, game: site.game, files });
    downloadBlob(new Blob([text], { type: 'application/json' }), site.game + '-saves.json');
  };
  // A saves file from another browser: every name is checked before anything is written, so a
  // damaged or foreign file changes nothing.
  document.getElementById('save-upload').onchange = async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file || !saveDir) return;
    try {
      const data = JSON.parse(await file.text());
      if (!data || data.format !== 'tav-saves' || data.version !== 1 || typeof data.files !== 'object') {
        throw new Error('TAV のセーブファイルではありません');
      }
      if (data.game !== site.game) throw new Error('別のゲーム (' + data.game + ') のセーブです');
      const decoded = [];
      for (const [relative, content] of Object.entries(data.files)) {
        const parts = relative.split('/');
        if (!relative || parts.some((p) => p === '' || p === '.' || p === '..') || typeof content !== 'string') {
          throw new Error('不正なファイル名: ' + relative);
        }
        const text = atob(content);
        const bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
        decoded.push([relative, bytes]);
      }
      for (const [relative, bytes] of decoded) {
        const path = saveDir + '/' + relative;
        FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
        FS.writeFile(path, bytes);
      }
      scheduleFlush();
      showNote(decoded.length + ' 個のセーブを読み込みました');
    } catch (err) {
      showNote('読み込めません: ' + err.message);
    }
  };

  window.addEventListener('error', (e) => { if (page.state === 'running') fail(e.message); });
  window.addEventListener('unhandledrejection', (e) => { if (page.state === 'running') fail(String(e.reason)); });

  async function start() {
    place();
    const response = await fetch('site.json');
    if (!response.ok) throw new Error('site.json: ' + response.status);
    site = await response.json();
    if (site.format !== 1 || !Array.isArray(site.files)) throw new Error('site.json is not a TAV site index');
    document.title = site.game;
    // The game's files and the engine arrive at the same time; the engine starts once both have.
    const earlyFiles = fetchEarly(site.files);
    earlyFiles.then(() => { if (page.state === 'loading') overlayText.textContent = 'エンジンを読み込み中…'; }, () => {});
    const gameDir = GAME_ROOT + '/' + site.game;
    saveDir = PERSIST + '/saves/' + site.game;
    Module.preRun.push(() => {
      addRunDependency('tav-files');
      earlyFiles.then((early) => {
        for (const file of site.files) {
          const path = gameDir + '/' + file.path;
          if (file.lazy) {
            createLazyFile(path, fileUrl(file.path), file.size);
          } else {
            FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
            FS.writeFile(path, early.get(file.path));
          }
        }
        for (const font of site.fonts || []) createLazyFile(font.path, font.url, font.size);
        removeRunDependency('tav-files');
      }, (e) => fail(e.message || e));
      FS.mkdirTree(PERSIST);
      FS.mount(IDBFS, {}, PERSIST);
      ENV.XDG_CONFIG_HOME = PERSIST + '/config';
      addRunDependency('tav-saves');
      FS.syncfs(true, (err) => {
        if (err) showNote('保存されたデータを読めません: ' + err);
        FS.mkdirTree(saveDir);
        FS.mkdirTree(PERSIST + '/config');
        watchPersistentWrites();
        removeRunDependency('tav-saves');
      });
    });
    // ?replay=EVENTS: the event file is played headless on the virtual clock, as a test run
    // natively (the same pictures, shown here too, and the same recorded sound): for tests.
    const params = new URLSearchParams(location.search);
    const replay = params.get('replay');
    let events = null;
    if (replay) {
      const answer = await fetch(replay);
      if (!answer.ok) throw new Error(replay + ': ' + answer.status);
      events = new Uint8Array(await answer.arrayBuffer());
    }
    Module.onRuntimeInitialized = () => {
      running = true;
      page.state = 'running';
      let args = [gameDir, '--save-dir', saveDir];
      if (events) {
        page.replay = true;
        FS.mkdirTree('/replay/saves');
        FS.writeFile('/replay/events.txt', events);
        FS.chdir('/replay');
        args = [gameDir, '--headless', '--seed', params.get('seed') || '1', '--events', '/replay/events.txt',
                '--audio-out', '/replay/audio.wav', '--screenshot', '/replay/final.png', '--save-dir', '/replay/saves'];
        overlay.hidden = true;
      } else {
        if (params.get('seed')) args.push('--seed', params.get('seed'));
        // Without a user's gesture the sound stays held back: the overlay asks for one.
        showOverlay('クリックして はじめる');
        startAudio().then(() => {
          if (!unlocked && audio.context && audio.context.state === 'running') {
            unlocked = true;
            overlay.hidden = true;
          }
        });
      }
      try {
        Module.callMain(args);
      } catch (e) {
        // The engine goes on after its first sleep; only a real failure arrives here.
        if (e !== 'unwind' && !(e && e.name === 'ExitStatus')) fail(e);
      }
    };
    const script = document.createElement('script');
    script.src = site.engine.js;
    script.onerror = () => fail(site.engine.js + ' を読み込めません');
    document.body.appendChild(script);
  }
  start().catch((e) => fail(e.message || e));
})();
