// The browser build's side of the page (linked before the program's own
// script): the player's folder kept in IndexedDB, a new canvas for each
// window, waits for the page's paints and downloads. The page (web/index.html)
// shows progress, errors and the end of the game around it.
Module.mnemoraPage = (function () {
  // The player's files: HOME and the XDG folders below it. In memory while
  // the game runs; in IndexedDB one entry a file, as earlier pages kept them
  // (a database named after the folder, version 21, the store FILE_DATA,
  // entries { timestamp, mode, contents } keyed by the full path), so what
  // they stored is read as it was. Screenshots go to a folder outside it:
  // they are handed over as downloads.
  //
  // Other tabs of the site run their own copy of the game on the same
  // entries. So a tab writes only the files it changed and deletes only the
  // files it removed itself; a save takes a lock shared by the tabs (Web
  // Locks) and reads the stored file as it is now before the game merges
  // into it; and a tab coming to the front picks up what others saved.
  var home = '/home/web_user';
  var DB_VERSION = 21, FILES = 'FILE_DATA';
  var db = null;        // null while loading, and when the storage can't be used
  var usable = true;
  var known = {};       // path: its signature as it stands in IndexedDB, for what this tab read or wrote
  var held = {};        // paths never written: a damaged entry whose copy could not be kept
  var shared = {};      // path: the lock of a file saved under one (here or in another tab)
  var notes = [];       // what the load found, for the game's log
  var refused = false;  // the storage refused a write
  var changedElsewhere = 0;
  var finishLoad;
  var loaded = new Promise(function (resolve) { finishLoad = resolve; });
  var channel = typeof BroadcastChannel === 'function' ? new BroadcastChannel('mnemora-storage') : null;

  // ---------------------------------------------------------------- what the page says
  function say(text) {
    var note = document.getElementById('storage-note');
    if (!note) {
      note = document.createElement('div');
      note.id = 'storage-note';
      note.setAttribute('role', 'status');
      note.style.cssText = 'position:fixed;left:50%;bottom:0.6em;transform:translateX(-50%);max-width:90vw;' +
        'padding:0.4em 0.9em;border-radius:0.4em;background:rgba(20,22,26,0.9);color:#f0d49a;' +
        'font:15px/1.35 sans-serif;pointer-events:none;z-index:10';
      document.body.appendChild(note);
    }
    note.textContent = text;
    note.hidden = false;
    clearTimeout(say.timer);
    say.timer = setTimeout(function () { note.hidden = true; }, 15000);
  }

  function refuse(error) {
    if (!refused) console.warn('Mnemora: the browser storage refused a write: ' + (error && error.name || error));
    refused = true;
    say('This browser did not let the game store its files (its storage is full or blocked): ' +
        'your scores and settings are not kept.');
  }

  // ---------------------------------------------------------------- files in memory
  function bytesOf(contents) {
    if (contents instanceof Uint8Array) return contents;
    if (contents instanceof ArrayBuffer) return new Uint8Array(contents);
    if (ArrayBuffer.isView(contents)) return new Uint8Array(contents.buffer, contents.byteOffset, contents.byteLength);
    return null;
  }

  function sameBytes(a, b) {
    if (a.length !== b.length) return false;
    for (var i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
    return true;
  }

  function validTime(t) {
    return t instanceof Date && isFinite(t.getTime()) ? t.getTime() : null;
  }

  // Changes when the file is written, replaced or renamed over.
  function signature(stat) {
    return FS.isDir(stat.mode) ? 'folder' : stat.ino + ':' + stat.size + ':' + stat.mtime.getTime();
  }

  function walk(path, out) {
    var names;
    try { names = FS.readdir(path); } catch (e) { return out; }
    names.forEach(function (name) {
      if (name === '.' || name === '..') return;
      var full = path + '/' + name, stat;
      try { stat = FS.lstat(full); } catch (e) { return; }
      if (!FS.isDir(stat.mode) && !FS.isFile(stat.mode)) return;
      out[full] = stat;
      if (FS.isDir(stat.mode)) walk(full, out);
    });
    return out;
  }

  function folderOf(path) { return path.substring(0, path.lastIndexOf('/')); }

  function foldersAbove(path) {
    var list = [];
    for (var f = folderOf(path); f.length > home.length; f = folderOf(f)) list.push(f);
    return list;
  }

  function isOpen(path) {
    return FS.streams.some(function (s) { return s && s.path === path; });
  }

  // Puts bytes in memory at path, with the stored date when it has one; a
  // file that was there gets a new date all the same, so that its stamp
  // tells the game it changed.
  function place(path, bytes, time) {
    FS.mkdirTree(folderOf(path));
    var before = null;
    try { before = FS.lstat(path).mtime.getTime(); } catch (e) { /* none there */ }
    FS.writeFile(path, bytes);
    var date = time === null ? Date.now() : time;
    if (before !== null && date <= before) date = before + 1;
    FS.utime(path, date, date);
    return FS.lstat(path);
  }

  // A rename over a file leaves the replaced file in the file system's table
  // of names, where a later delete of that name finds it and brings it back
  // in place of the file deleted. It is taken out.
  function mendRename() {
    var rename = FS.rename;
    FS.rename = function (from, to) {
      var replaced = null;
      try { replaced = FS.lookupPath(to).node; } catch (e) { /* nothing there */ }
      rename(from, to);
      var moved = FS.lookupPath(to).node;
      if (replaced && replaced !== moved) FS.hashRemoveNode(replaced);
    };
  }

  // ---------------------------------------------------------------- IndexedDB
  function openDatabase() {
    return new Promise(function (resolve) {
      var request;
      try {
        request = indexedDB.open(home, DB_VERSION);
      } catch (e) {
        resolve({ error: e });
        return;
      }
      request.onupgradeneeded = function () {
        var base = request.result;
        var store = base.objectStoreNames.contains(FILES) ? request.transaction.objectStore(FILES)
                                                          : base.createObjectStore(FILES);
        if (!store.indexNames.contains('timestamp')) store.createIndex('timestamp', 'timestamp', { unique: false });
      };
      request.onsuccess = function () {
        var base = request.result;
        // A newer page wants the database changed: it is let go of.
        base.onversionchange = function () { base.close(); db = null; };
        resolve({ db: base });
      };
      request.onerror = function () { resolve({ error: request.error }); };
    });
  }

  function readEntries() {
    return new Promise(function (resolve) {
      var entries = [];
      try {
        var request = db.transaction([FILES], 'readonly').objectStore(FILES).openCursor();
        request.onsuccess = function () {
          var cursor = request.result;
          if (!cursor) { resolve({ entries: entries }); return; }
          entries.push([cursor.key, cursor.value]);
          cursor.continue();
        };
        request.onerror = function () { resolve({ entries: entries, error: request.error }); };
      } catch (e) {
        resolve({ entries: entries, error: e });
      }
    });
  }

  // One transaction of puts ({path: entry}) and deletes; true once complete.
  function write(puts, deletes) {
    return new Promise(function (resolve) {
      if (!db) { resolve(false); return; }
      try {
        var tx = db.transaction([FILES], 'readwrite');
        var store = tx.objectStore(FILES);
        Object.keys(puts).forEach(function (path) { store.put(puts[path], path); });
        deletes.forEach(function (path) { store.delete(path); });
        tx.oncomplete = function () { resolve(true); };
        tx.onabort = function () { refuse(tx.error); resolve(false); };
        // Committed now rather than when the page's task ends.
        if (tx.commit) tx.commit();
      } catch (e) {
        refuse(e);
        resolve(false);
      }
    });
  }

  function entryOf(path, stat) {
    var entry = { timestamp: stat.mtime, mode: stat.mode };
    if (!FS.isDir(stat.mode)) entry.contents = FS.readFile(path);
    return entry;
  }

  // Writes to IndexedDB what changed in memory: the paths given (and their
  // folders) or, without, every file this tab wrote or removed. Nothing this
  // tab never held is ever deleted. True when it is all stored.
  function writeBack(only) {
    var now = walk(home, {});
    var candidates = only ? only.concat.apply(only, only.map(foldersAbove)) : Object.keys(now);
    var puts = {}, signatures = {}, gone = [];
    candidates.forEach(function (path) {
      var stat = now[path];
      if (!stat || held[path]) return;
      var sig = signature(stat);
      if (known[path] === sig) return;
      puts[path] = entryOf(path, stat);
      signatures[path] = sig;
    });
    if (!only) {
      Object.keys(known).forEach(function (path) { if (!now[path] && !held[path]) gone.push(path); });
    }
    if (!Object.keys(puts).length && !gone.length) return Promise.resolve(true);
    if (!db) {
      refuse(usable ? 'no database' : 'storage unusable');
      return Promise.resolve(false);
    }
    return write(puts, gone).then(function (ok) {
      if (ok) {
        Object.keys(signatures).forEach(function (path) { known[path] = signatures[path]; });
        gone.forEach(function (path) { delete known[path]; });
      }
      return ok;
    });
  }

  // Every change, in the background: one write-back at a time, requests
  // during one joined into the next.
  var tail = loaded, next = null;
  function persist() {
    if (next) return next;
    next = tail.then(function () {
      next = null;
      return writeBack(null);
    });
    tail = next;
    return next;
  }

  // Resolves when every file written so far is in IndexedDB (tests and the
  // page's end wait for it); true when all of it was stored.
  function persisted() { return persist(); }

  // A file just saved (under its lock), at once: the transaction is made now,
  // so a later reader in any tab sees it. The other tabs hear of it.
  function store(path) {
    return loaded.then(function () { return writeBack([path]); }).then(function (ok) {
      if (ok && channel && shared[path]) channel.postMessage({ path: path, lock: shared[path] });
      return ok;
    });
  }

  // The stored file as it is now, in memory; true when that changed it.
  // A file this tab holds open (the log) is never replaced.
  function pull(path) {
    return new Promise(function (resolve) {
      if (!db || isOpen(path)) { resolve(false); return; }
      var request;
      try {
        request = db.transaction([FILES], 'readonly').objectStore(FILES).get(path);
      } catch (e) {
        resolve(false);
        return;
      }
      request.onerror = function () { resolve(false); };
      request.onsuccess = function () {
        var entry = request.result;
        var bytes = entry && typeof entry === 'object' && FS.isFile(entry.mode) ? bytesOf(entry.contents) : null;
        var mine = null;
        try { mine = FS.readFile(path); } catch (e) { /* not in memory */ }
        if (!bytes || (mine && sameBytes(mine, bytes))) { resolve(false); return; }
        try {
          known[path] = signature(place(path, bytes, validTime(entry.timestamp)));
          resolve(true);
        } catch (e) {
          resolve(false);
        }
      };
    });
  }

  // ---------------------------------------------------------------- locks
  // A save's lock, shared by every tab of the site; once it is held, the file
  // it guards is read in as stored. Resolves to a handle, 0 when not had
  // within waitMs. Without Web Locks (an insecure page) a tab locks alone.
  var locks = {}, lockCount = 0;
  function lock(name, guarded, waitMs) {
    var id = ++lockCount;
    if (guarded) shared[guarded] = name;
    function take(release) {
      locks[id] = release;
      return guarded ? pull(guarded) : Promise.resolve(false);
    }
    return loaded.then(function () {
      if (!navigator.locks) return take(function () {}).then(function () { return id; });
      return new Promise(function (resolve) {
        var controller = new AbortController();
        var timer = setTimeout(function () { controller.abort(); }, Math.max(0, waitMs));
        navigator.locks.request('mnemora:' + name, { signal: controller.signal }, function () {
          clearTimeout(timer);
          return new Promise(function (release) {
            take(release).then(function () { resolve(id); });
          });
        }).catch(function () { resolve(0); });
      });
    });
  }

  function unlock(id) {
    var release = locks[id];
    delete locks[id];
    if (release) release();
  }

  // What other tabs saved, into memory, each file under its lock; the game
  // looks at the files again when the count goes up.
  function pickUp(paths) {
    paths.forEach(function (path) {
      var name = shared[path];
      var run = function () { return pull(path); };
      var pulled = navigator.locks ? navigator.locks.request('mnemora:' + name, run) : run();
      pulled.then(function (changed) { if (changed) changedElsewhere++; });
    });
  }
  function pickUpAll() {
    if (db) pickUp(Object.keys(shared));
  }
  if (channel) {
    channel.onmessage = function (event) {
      var message = event.data || {};
      if (typeof message.path !== 'string' || typeof message.lock !== 'string') return;
      shared[message.path] = message.lock;
      loaded.then(function () { pickUp([message.path]); });
    };
  }
  addEventListener('focus', pickUpAll);

  // ---------------------------------------------------------------- reading in
  // Every stored entry below the player's folder goes to memory. One that
  // can't be read (no file's contents, a kind that is neither file nor
  // folder, a folder stored as a file) is skipped, and its bytes are kept
  // aside in a new entry named "<name>.bad-<stamp>" (once: a copy with the
  // same bytes will do), as the game keeps damaged files; nothing stored is
  // deleted or written over because of it.
  function describe(value) {
    if (typeof value === 'string') return value;
    try { return JSON.stringify(value); } catch (e) { return String(value); }
  }

  function short(path) { return path.substring(home.length + 1); }

  function load(entries) {
    var stamp = Date.now();
    var byPath = {}, folders = {};
    entries.forEach(function (pair) {
      var path = pair[0];
      if (typeof path !== 'string' || path.indexOf(home + '/') !== 0) return;   // not ours: left alone
      var parts = path.substring(home.length + 1).split('/');
      if (parts.some(function (p) { return p === '' || p === '.' || p === '..'; })) {
        notes.push('A stored entry with a name no file can have was skipped: ' + path);
        return;
      }
      byPath[path] = pair[1];
      foldersAbove(path).forEach(function (f) { folders[f] = true; });
    });
    var asides = {}, damaged = [];
    Object.keys(byPath).sort().forEach(function (path) {
      var entry = byPath[path];
      var ok = entry !== null && typeof entry === 'object';
      var problem = ok ? null : 'not a stored file';
      try {
        if (ok && (folders[path] || FS.isDir(entry.mode))) {
          FS.mkdirTree(path);
          if (FS.isDir(entry.mode)) known[path] = 'folder';
          else problem = 'a folder stored as a file';
        } else if (ok && FS.isFile(entry.mode)) {
          var bytes = bytesOf(entry.contents);
          if (!bytes) {
            problem = 'a file without contents';
          } else {
            var time = validTime(entry.timestamp);
            if (time === null) notes.push(short(path) + ': its date was damaged; read with the date of now');
            known[path] = signature(place(path, bytes, time));
          }
        } else if (ok) {
          problem = 'neither a file nor a folder';
        }
      } catch (e) {
        problem = 'it could not be placed (' + (e && e.name || e) + ')';
      }
      if (!problem) return;
      var kept = bytesOf(entry && entry.contents) || new TextEncoder().encode(describe(entry));
      // A copy of the same bytes from an earlier visit will do.
      var copy = Object.keys(byPath).filter(function (p) {
        var b = byPath[p] && bytesOf(byPath[p].contents);
        return p.indexOf(path + '.bad-') === 0 && b && sameBytes(b, kept);
      })[0];
      if (!copy) {
        copy = path + '.bad-' + stamp;
        for (var n = 2; byPath[copy] || asides[copy]; n++) copy = path + '.bad-' + stamp + '-' + n;
        asides[copy] = { timestamp: new Date(stamp), mode: 33188, contents: kept };
      }
      damaged.push({ path: path, copy: copy, problem: problem });
    });
    var writing = Object.keys(asides).length ? write(asides, []) : Promise.resolve(true);
    return writing.then(function (ok) {
      damaged.forEach(function (d) {
        if (ok || !asides[d.copy]) {
          // A new copy is a file like any other, in memory too (an old one is there already).
          if (asides[d.copy]) {
            try { known[d.copy] = signature(place(d.copy, asides[d.copy].contents, stamp)); } catch (e) { /* stored all the same */ }
          }
          notes.push(short(d.path) + ' could not be read (' + d.problem + '): kept aside as ' + short(d.copy));
        } else {
          held[d.path] = true;
          notes.push(short(d.path) + ' could not be read (' + d.problem + ') nor kept aside: left as it is');
        }
      });
      if (damaged.length) {
        say('Some files this game stored in the browser could not be read; they were kept aside and the game ' +
            'started without them: ' + damaged.map(function (d) { return short(d.path); }).join(', ') + '.');
      }
    });
  }

  function start() {
    return openDatabase().then(function (opened) {
      if (!opened.db) {
        usable = false;
        notes.push('The browser storage could not be opened (' + (opened.error && opened.error.name || 'no storage') +
                   '): scores and settings are not kept');
        say('This browser does not let the game use its storage: your scores and settings are not kept.');
        return;
      }
      db = opened.db;
      return readEntries().then(function (read) {
        if (read.error) {
          notes.push('The browser storage could be read only in part (' + (read.error.name || read.error) +
                     '): ' + read.entries.length + ' entries read');
        }
        return load(read.entries);
      });
    }).catch(function (e) {
      notes.push('Reading the browser storage failed: ' + e);
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
    FS.mount(MEMFS, {}, home);
    mendRename();
    addRunDependency('mnemora-storage');
    start().then(function () {
      finishLoad();
      removeRunDependency('mnemora-storage');
    });
    // Whatever the program wrote last (the log's end) goes in before it
    // ends, and when the page is hidden or closed.
    addOnExit(persist);
  });
  addEventListener('pagehide', persist);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') persist();
    else pickUpAll();
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

  return { presents: 0, readText: readText, audioState: audioState, persist: persist, persisted: persisted,
           store: store, lock: lock, unlock: unlock, freshCanvas: freshCanvas, nextPaint: nextPaint,
           download: download,
           notes: function () { return notes.slice(); },
           usable: function () { return usable; },
           kept: function () { return usable && !refused; },
           changedElsewhere: function () { return changedElsewhere; } };
})();
