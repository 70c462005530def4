// The browser build's side of the page (linked before the program's own
// script): the player's folder kept in IndexedDB, a new canvas for each
// window, waits for the page's paints and downloads. The page (web/index.html)
// shows progress, errors and the end of the game around it.
Module.mnemoraPage = (function () {
  // The player's files: HOME and the XDG folders below it, in IndexedDB.
  // Screenshots go to a folder outside it: they are handed over as downloads.
  var home = '/home/web_user';
  var syncing = false, again = false, onIdle = [];

  function persist() {
    if (syncing) { again = true; return; }
    syncing = true;
    FS.syncfs(false, function (error) {
      syncing = false;
      if (error) console.warn('Mnemora: saving to the browser storage failed: ' + error);
      if (again) { again = false; persist(); return; }
      var waiting = onIdle; onIdle = [];
      waiting.forEach(function (f) { f(); });
    });
  }

  // Resolves when every file written so far is in IndexedDB (tests and the
  // page's end wait for it).
  function persisted() {
    return new Promise(function (resolve) {
      if (!syncing) { persist(); }
      onIdle.push(resolve);
    });
  }

  function freshCanvas() {
    var old = Module.canvas || document.getElementById('canvas');
    if (!old || !old.parentNode) return;
    var canvas = old.cloneNode(false);
    old.parentNode.replaceChild(canvas, old);
    Module.canvas = canvas;
    if (Module.onFreshCanvas) Module.onFreshCanvas(canvas);
  }

  function nextPaint() {
    return new Promise(function (resolve) {
      var done = false;
      function finish() { if (!done) { done = true; resolve(); } }
      requestAnimationFrame(finish);
      setTimeout(finish, 100);
    });
  }

  function download(path) {
    var bytes;
    try { bytes = FS.readFile(path); } catch (e) { return; }
    var name = path.substring(path.lastIndexOf('/') + 1);
    var url = URL.createObjectURL(new Blob([bytes], { type: 'image/png' }));
    var link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  // The program's end unwinds the stack by throwing; after the last sleep it
  // arrives from a timer with nobody to catch it. It is no error.
  addEventListener('error', function (event) {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });

  Module.preRun = [].concat(Module.preRun || []);
  Module.preRun.push(function () {
    ENV.HOME = home;
    ENV.XDG_PICTURES_DIR = '/tmp/Pictures';
    FS.mkdirTree(home);
    FS.mkdirTree('/tmp/Pictures');
    FS.mount(IDBFS, {}, home);
    addRunDependency('mnemora-storage');
    syncing = true;
    FS.syncfs(true, function (error) {
      syncing = false;
      if (error) console.warn('Mnemora: the browser storage could not be read: ' + error);
      removeRunDependency('mnemora-storage');
      if (again) { again = false; persist(); return; }
      var waiting = onIdle; onIdle = [];
      waiting.forEach(function (f) { f(); });
    });
    // Whatever the program wrote last (the log's end) goes in before it
    // ends, and when the page is hidden or closed.
    addOnExit(persist);
  });
  addEventListener('pagehide', persist);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') persist();
  });

  // A file of the page's file system as text (the log, for a player's bug
  // report or a test); null when there is none.
  function readText(path) {
    try { return FS.readFile(path, { encoding: 'utf8' }); } catch (e) { return null; }
  }

  // The state of the game's sound output ('running', 'suspended' until the
  // first click or key, 'none' before any sound device is open).
  function audioState() {
    if (typeof AL !== 'undefined' && AL.currentCtx && AL.currentCtx.audioCtx) return AL.currentCtx.audioCtx.state;
    if (Module.SDL2 && Module.SDL2.audioContext) return Module.SDL2.audioContext.state;
    return 'none';
  }

  return { presents: 0, readText: readText, audioState: audioState, persist: persist, persisted: persisted, freshCanvas: freshCanvas,
           nextPaint: nextPaint, download: download };
})();
