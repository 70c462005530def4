"""Headless Chromium driven over its DevTools protocol, with Python's standard
library alone: a small WebSocket client, the protocol's calls and events, real
mouse, touch and key input, screenshots decoded to pixels, the page's files
read back from IndexedDB, and a static server for the page.
"""
import base64
import functools
import http.server
import json
import os
import queue
import re
import shutil
import socket
import struct
import subprocess
import tempfile
import threading
import time
import urllib.request
import zlib

CHROMIUM_FLAGS = [
    '--headless', '--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader',
    '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--disable-extensions',
    '--disable-default-apps', '--mute-audio', '--hide-scrollbars',
]


# ---------------------------------------------------------------- the page's server
class _Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{'.wasm': 'application/wasm', '.js': 'text/javascript',
                             '.webmanifest': 'application/manifest+json'})

    def end_headers(self):
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, *args):
        pass


class PageServer:
    """Serves a folder on 127.0.0.1 (a free port) from a thread."""

    def __init__(self, folder):
        handler = functools.partial(_Quiet, directory=folder)
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.url = 'http://127.0.0.1:%d/' % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


# ---------------------------------------------------------------- WebSocket
class WebSocket:
    """A client WebSocket: text messages out (masked), text messages in."""

    def __init__(self, url, timeout=30):
        m = re.match(r'ws://([^/:]+):(\d+)(/.*)', url)
        if not m:
            raise ValueError('not a ws:// address: ' + url)
        host, port, path = m.group(1), int(m.group(2)), m.group(3)
        self.sock = socket.create_connection((host, port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        request = ('GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n'
                   'Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n' % (path, host, port, key))
        self.sock.sendall(request.encode())
        head = b''
        while b'\r\n\r\n' not in head:
            chunk = self.sock.recv(1)
            if not chunk:
                raise ConnectionError('WebSocket handshake cut off')
            head += chunk
        if b' 101 ' not in head.split(b'\r\n', 1)[0]:
            raise ConnectionError('WebSocket handshake refused: %r' % head[:200])
        self.sock.settimeout(None)
        self.lock = threading.Lock()

    def _read(self, n):
        data = b''
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError('WebSocket closed')
            data += chunk
        return data

    def _frame(self, opcode, payload):
        head = bytes([0x80 | opcode])
        n = len(payload)
        if n < 126:
            head += bytes([0x80 | n])
        elif n < 65536:
            head += bytes([0x80 | 126]) + struct.pack('>H', n)
        else:
            head += bytes([0x80 | 127]) + struct.pack('>Q', n)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        with self.lock:
            self.sock.sendall(head + mask + masked)

    def send(self, text):
        self._frame(0x1, text.encode())

    def receive(self):
        """The next whole text message; None when the connection closed."""
        message = b''
        while True:
            try:
                b0, b1 = self._read(2)
            except (ConnectionError, OSError):
                return None
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack('>H', self._read(2))[0]
            elif n == 127:
                n = struct.unpack('>Q', self._read(8))[0]
            mask = self._read(4) if b1 & 0x80 else None
            payload = self._read(n)
            if mask:
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
            opcode = b0 & 0x0F
            if opcode == 0x8:
                return None
            if opcode == 0x9:
                self._frame(0xA, payload)
                continue
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if b0 & 0x80:
                    return message.decode('utf-8', 'replace')

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


# ---------------------------------------------------------------- PNG
def decode_png(data):
    """(width, height, rows): rows of bytes, 3 or 4 bytes a pixel (8-bit RGB or
    RGBA, not interlaced: what Chromium writes)."""
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG')
    pos, idat, width = 8, b'', 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError('PNG kind not handled')
            bpp = 3 if colour == 2 else 4
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif f == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif f == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif f == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(bytes(line))
        prev = line
    return Image(width, height, bpp, rows, data)


class Image:
    """A decoded screenshot; png holds the file it came from."""

    def __init__(self, width, height, bpp, rows, png=b''):
        self.width, self.height, self.bpp, self.rows, self.png = width, height, bpp, rows, png

    def pixel(self, x, y):
        i = x * self.bpp
        return tuple(self.rows[y][i:i + 3])

    def region_stats(self, x0, y0, x1, y1, step=4):
        """Mean brightness and the number of distinct colours (sampled)."""
        total, count, colours = 0, 0, set()
        for y in range(max(0, y0), min(self.height, y1), step):
            row = self.rows[y]
            for x in range(max(0, x0), min(self.width, x1), step):
                r, g, b = row[x * self.bpp:x * self.bpp + 3]
                total += r + g + b
                count += 1
                colours.add((r >> 3, g >> 3, b >> 3))
        return (total / (3 * count) if count else 0), len(colours)

    def difference(self, other, step=4):
        """The share of sampled pixels that differ clearly between two shots."""
        if (self.width, self.height) != (other.width, other.height):
            return 1.0
        differ = count = 0
        for y in range(0, self.height, step):
            a, b = self.rows[y], other.rows[y]
            for x in range(0, self.width, step):
                i, j = x * self.bpp, x * other.bpp
                count += 1
                if abs(a[i] - b[j]) + abs(a[i + 1] - b[j + 1]) + abs(a[i + 2] - b[j + 2]) > 48:
                    differ += 1
        return differ / count if count else 0.0


# ---------------------------------------------------------------- keys
# DOM key, code and the Windows key code the browser reports for it.
KEYS = {
    'Enter': ('Enter', 'Enter', 13), 'Escape': ('Escape', 'Escape', 27), 'Space': (' ', 'Space', 32),
    'ArrowUp': ('ArrowUp', 'ArrowUp', 38), 'ArrowDown': ('ArrowDown', 'ArrowDown', 40),
    'ArrowLeft': ('ArrowLeft', 'ArrowLeft', 37), 'ArrowRight': ('ArrowRight', 'ArrowRight', 39),
    'Backspace': ('Backspace', 'Backspace', 8), 'Tab': ('Tab', 'Tab', 9), 'F11': ('F11', 'F11', 122),
    'F12': ('F12', 'F12', 123),
}


def _char_key(ch):
    if ch.isalpha():
        return ch, 'Key' + ch.upper(), ord(ch.upper())
    if ch.isdigit():
        return ch, 'Digit' + ch, ord(ch)
    if ch == ' ':
        return KEYS['Space']
    raise ValueError('no key for %r' % ch)


# ---------------------------------------------------------------- Chromium
class Browser:
    """One headless Chromium with one page, driven over DevTools."""

    def __init__(self, width=1280, height=960, profile=None, flags=()):
        self.own_profile = profile is None
        self.profile = profile or tempfile.mkdtemp(prefix='mnemora-chromium-')
        self.width, self.height = width, height
        # Chromium keeps a socket in TMPDIR, and a socket's path has room for
        # some hundred bytes only: below a deep temporary folder (a clone's
        # test folder) Chromium stops at once. It then gets a short one.
        self.short_tmp = None
        env = dict(os.environ)
        if len(tempfile.gettempdir()) > 48:
            self.short_tmp = tempfile.mkdtemp(prefix='mnemora-', dir='/tmp')
            env['TMPDIR'] = self.short_tmp
        self.proc = subprocess.Popen(
            [shutil.which('chromium') or 'chromium', *CHROMIUM_FLAGS, *flags,
             '--user-data-dir=' + self.profile, '--window-size=%d,%d' % (width, height),
             '--remote-debugging-port=0', 'about:blank'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        port = None
        deadline = time.time() + 60
        self.stderr_lines = []
        while time.time() < deadline:
            line = self.proc.stderr.readline().decode('utf-8', 'replace')
            if not line:
                break
            self.stderr_lines.append(line)
            m = re.search(r'DevTools listening on ws://[^:]+:(\d+)/', line)
            if m:
                port = int(m.group(1))
                break
        if port is None:
            self.proc.kill()
            if self.short_tmp:
                shutil.rmtree(self.short_tmp, ignore_errors=True)
            raise RuntimeError('Chromium did not start:\n' + ''.join(self.stderr_lines[-20:]))
        threading.Thread(target=self._drain, daemon=True).start()
        self.port = port
        self.target = None
        pages = []
        for _ in range(100):
            pages = self._pages()
            if pages:
                break
            time.sleep(0.1)
        self._connect(pages[0]['webSocketDebuggerUrl'])

    def _pages(self):
        with urllib.request.urlopen('http://127.0.0.1:%d/json/list' % self.port, timeout=10) as r:
            return [t for t in json.load(r) if t.get('type') == 'page']

    def _connect(self, url):
        self.ws = WebSocket(url)
        self.next_id = 0
        self.replies = {}
        self.events = []
        self.cond = threading.Condition()
        self.closed = False
        threading.Thread(target=self._listen, daemon=True).start()
        self.call('Page.enable')
        self.call('Runtime.enable')
        self.call('Log.enable')
        self.scale = 1
        self.emulate(self.width, self.height)

    def emulate(self, width, height, scale=1, touch=False):
        """The page's size in CSS pixels, the device's pixel ratio, and a
        touch screen (a phone or tablet: touch events, a coarse pointer)."""
        self.width, self.height, self.scale = width, height, scale
        self.call('Emulation.setDeviceMetricsOverride', width=width, height=height,
                  deviceScaleFactor=scale, mobile=touch,
                  screenOrientation={'type': 'portraitPrimary' if height > width else 'landscapePrimary',
                                     'angle': 0 if height > width else 90})
        self.call('Emulation.setTouchEmulationEnabled', enabled=touch, maxTouchPoints=5 if touch else 1)
        self.call('Emulation.setEmitTouchEventsForMouse', enabled=False)

    def open_tab(self):
        """A second page of the same browser and profile (another tab of the
        same site shares its storage), driven like the first."""
        target = self.call('Target.createTarget', url='about:blank', newWindow=True)['targetId']
        tab = object.__new__(Browser)
        tab.__dict__.update(proc=self.proc, profile=self.profile, own_profile=False, short_tmp=None,
                            width=self.width, height=self.height, port=self.port, stderr_lines=self.stderr_lines)
        tab.owner, tab.target = self, target
        for _ in range(100):
            found = [t for t in self._pages() if t['id'] == target]
            if found:
                tab._connect(found[0]['webSocketDebuggerUrl'])
                return tab
            time.sleep(0.1)
        raise RuntimeError('the new tab never showed up')

    def _drain(self):
        for line in self.proc.stderr:
            self.stderr_lines.append(line.decode('utf-8', 'replace'))
            del self.stderr_lines[:-200]

    def _listen(self):
        while True:
            try:
                text = self.ws.receive()
            except (OSError, ValueError):   # the socket closed under the reader
                text = None
            if text is None:
                with self.cond:
                    self.closed = True
                    self.cond.notify_all()
                return
            message = json.loads(text)
            with self.cond:
                if 'id' in message:
                    self.replies[message['id']] = message
                else:
                    self.events.append(message)
                self.cond.notify_all()

    def call(self, method, timeout=60, **params):
        with self.cond:
            self.next_id += 1
            ident = self.next_id
        self.ws.send(json.dumps({'id': ident, 'method': method, 'params': params}))
        deadline = time.time() + timeout
        with self.cond:
            while ident not in self.replies:
                left = deadline - time.time()
                if left <= 0 or self.closed:
                    raise TimeoutError('%s: no answer' % method)
                self.cond.wait(left)
            reply = self.replies.pop(ident)
        if 'error' in reply:
            raise RuntimeError('%s: %s' % (method, reply['error']))
        return reply.get('result', {})

    def wait_event(self, method, timeout=60, since=0):
        """The first event of that kind at index since or later."""
        deadline = time.time() + timeout
        with self.cond:
            while True:
                for event in self.events[since:]:
                    if event.get('method') == method:
                        return event
                left = deadline - time.time()
                if left <= 0:
                    raise TimeoutError('no event ' + method)
                self.cond.wait(left)

    # ---------------------------------------------------------------- the page
    def open(self, url, timeout=120):
        mark = len(self.events)
        self.call('Page.navigate', url=url)
        self.wait_event('Page.loadEventFired', timeout, since=mark)

    def reload(self, timeout=120, ignore_cache=True):
        # A reload that ignores the cache passes the page's service worker by too.
        mark = len(self.events)
        self.call('Page.reload', ignoreCache=ignore_cache)
        self.wait_event('Page.loadEventFired', timeout, since=mark)

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression (a promise is awaited)."""
        result = self.call('Runtime.evaluate', timeout=timeout, expression=expression,
                           awaitPromise=True, returnByValue=True)
        if 'exceptionDetails' in result:
            raise RuntimeError('page script failed: %s' % json.dumps(result['exceptionDetails'])[:500])
        return result.get('result', {}).get('value')

    def wait_for(self, expression, timeout=120, interval=0.25):
        """Waits until the expression is true in the page; its last value."""
        deadline = time.time() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.time() > deadline:
                raise TimeoutError('page never had: ' + expression)
            time.sleep(interval)

    def errors(self, since=0):
        """What the page wrote to its console as errors, and uncaught
        exceptions (from event index since on)."""
        found = []
        with self.cond:
            events = self.events[since:]
        for event in events:
            method, params = event.get('method'), event.get('params', {})
            if method == 'Runtime.consoleAPICalled' and params.get('type') in ('error', 'assert'):
                found.append(' '.join(str(a.get('value', a.get('description', ''))) for a in params.get('args', [])))
            elif method == 'Runtime.exceptionThrown':
                details = params.get('exceptionDetails', {})
                found.append(details.get('exception', {}).get('description') or details.get('text', ''))
            elif method == 'Log.entryAdded' and params.get('entry', {}).get('level') == 'error':
                entry = params['entry']
                found.append('%s (%s)' % (entry.get('text', ''), entry.get('url', '')))
        return found

    def console(self):
        """Every console line, for a failure's report."""
        lines = []
        with self.cond:
            events = list(self.events)
        for event in events:
            if event.get('method') == 'Runtime.consoleAPICalled':
                params = event['params']
                lines.append('%s: %s' % (params.get('type'), ' '.join(
                    str(a.get('value', a.get('description', ''))) for a in params.get('args', []))))
        return lines

    def screenshot(self, path=None, clip=None):
        """The page as shown (clip: x, y, width, height of a part of it, in page pixels)."""
        params = dict(format='png')
        # One pixel a CSS pixel, whatever the device's pixel ratio.
        if clip or self.scale != 1:
            x, y, w, h = clip or (0, 0, self.width, self.height)
            params['clip'] = dict(x=x, y=y, width=w, height=h, scale=1.0 / self.scale)
        data = base64.b64decode(self.call('Page.captureScreenshot', **params)['data'])
        if path:
            with open(path, 'wb') as f:
                f.write(data)
        return decode_png(data)

    def canvas_box(self):
        """The canvas's place on the page and its size in pixels: (x, y, w, h, pw, ph)."""
        return self.evaluate('(() => { const c = document.getElementById("canvas");'
                             ' const r = c.getBoundingClientRect();'
                             ' return [r.left, r.top, r.width, r.height, c.width, c.height]; })()')

    def to_page(self, gx, gy):
        """Page coordinates of a point in the canvas's own pixels."""
        x, y, w, h, pw, ph = self.canvas_box()
        return x + (gx + 0.5) * w / pw, y + (gy + 0.5) * h / ph

    # ---------------------------------------------------------------- input
    def move(self, x, y):
        self.call('Input.dispatchMouseEvent', type='mouseMoved', x=x, y=y)

    # The game looks at the buttons and keys held once a frame: a press and
    # the pause after it last longer than a slow frame on a loaded machine.
    def click(self, x, y, hold=0.2, gap=0.1):
        """A left click at page coordinates."""
        self.move(x, y)
        time.sleep(0.05)
        self.call('Input.dispatchMouseEvent', type='mousePressed', x=x, y=y, button='left', clickCount=1)
        time.sleep(hold)
        self.call('Input.dispatchMouseEvent', type='mouseReleased', x=x, y=y, button='left', clickCount=1)
        time.sleep(gap)

    def tap(self, x, y, hold=0.2, gap=0.1):
        point = [{'x': x, 'y': y, 'id': 1}]
        self.call('Input.dispatchTouchEvent', type='touchStart', touchPoints=point)
        time.sleep(hold)
        self.call('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])
        time.sleep(gap)

    def key(self, name, hold=0.12, gap=0.12):
        """A key by its DOM name (KEYS) or a single character, held for hold
        seconds, then gap seconds to the next input."""
        key, code, vk = KEYS[name] if name in KEYS else _char_key(name)
        down = dict(type='keyDown', key=key, code=code, windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)
        if len(key) == 1:
            down['text'] = key
            down['unmodifiedText'] = key
        elif key == 'Enter':
            down['text'] = '\r'
        self.call('Input.dispatchKeyEvent', **down)
        time.sleep(hold)
        self.call('Input.dispatchKeyEvent', type='keyUp', key=key, code=code, windowsVirtualKeyCode=vk,
                  nativeVirtualKeyCode=vk)
        time.sleep(gap)

    def type_text(self, text):
        for ch in text:
            self.key(ch)

    def insert_text(self, text):
        """Text into the focused element, as a phone's keyboard types it."""
        self.call('Input.insertText', text=text)

    # ---------------------------------------------------------------- downloads
    def allow_downloads(self, folder):
        """Downloads go to folder, each under its id (see wait_download)."""
        self.call('Browser.setDownloadBehavior', behavior='allowAndName', downloadPath=folder, eventsEnabled=True)

    def wait_download(self, since=0, timeout=30):
        """The first download begun at event index since or later, once it is
        complete: (the name the page gave it, the file's path)."""
        begun = self.wait_event('Browser.downloadWillBegin', timeout, since)['params']
        deadline = time.time() + timeout
        with self.cond:
            while True:
                for event in self.events[since:]:
                    params = event.get('params', {})
                    if (event.get('method') == 'Browser.downloadProgress' and params.get('guid') == begun['guid']
                            and params.get('state') in ('completed', 'canceled')):
                        if params['state'] != 'completed':
                            raise RuntimeError('the download of %s was cancelled' % begun['suggestedFilename'])
                        return begun['suggestedFilename'], params.get('filePath')
                left = deadline - time.time()
                if left <= 0:
                    raise TimeoutError('the download of %s did not complete' % begun['suggestedFilename'])
                self.cond.wait(left)

    # ---------------------------------------------------------------- stored files
    def seed_files(self, url, files, raw=''):
        """Puts files ({path: bytes}, paths below STORE) into the page's
        IndexedDB as the page keeps them, before the game has first started in
        this profile: opens a file of the page's site (not the page) to do it.
        The browser asks that site for a favicon meanwhile, which it has not:
        the events up to the index returned hold that error, and no more.
        raw is script run in the same transaction (with store and now), for
        entries no page of ours would write.
        """
        self.open(url + 'mnemora-data.js')
        entries = {}
        for path, data in files.items():
            folder = path.rsplit('/', 1)[0]
            while len(folder) > len(STORE):
                entries.setdefault(folder, None)
                folder = folder.rsplit('/', 1)[0]
            entries[path] = base64.b64encode(data).decode()
        script = '''new Promise((resolve, reject) => {
          const open = indexedDB.open(%s, 21);
          open.onupgradeneeded = () => {
            const store = open.result.createObjectStore("FILE_DATA");
            store.createIndex("timestamp", "timestamp", { unique: false });
          };
          open.onerror = () => reject(open.error);
          open.onsuccess = () => {
            const db = open.result;
            const tx = db.transaction("FILE_DATA", "readwrite");
            const store = tx.objectStore("FILE_DATA");
            const now = new Date();
            for (const [path, data] of Object.entries(%s)) {
              if (data === null) { store.put({ timestamp: now, mode: 16877 }, path); continue; }
              const bytes = Uint8Array.from(atob(data), c => c.charCodeAt(0));
              store.put({ timestamp: now, mode: 33188, contents: bytes }, path);
            }
            %s
            tx.oncomplete = () => { db.close(); resolve(true); };
            tx.onerror = () => reject(tx.error);
          };
        })''' % (json.dumps(STORE), json.dumps(entries), raw)
        self.evaluate(script)
        self.open('about:blank')
        time.sleep(0.5)
        return len(self.events)

    def put_stored_file(self, path, data):
        """Writes a file into the page's IndexedDB from the page's site while
        the page runs, as a program that tells no tab would."""
        self.evaluate('''new Promise((resolve, reject) => {
          const open = indexedDB.open(%s);
          open.onerror = () => reject(open.error);
          open.onsuccess = () => {
            const db = open.result;
            const tx = db.transaction("FILE_DATA", "readwrite");
            const bytes = Uint8Array.from(atob(%s), c => c.charCodeAt(0));
            tx.objectStore("FILE_DATA").put({ timestamp: new Date(), mode: 33188, contents: bytes }, %s);
            tx.oncomplete = () => { db.close(); resolve(true); };
            tx.onerror = () => reject(tx.error);
          };
        })''' % (json.dumps(STORE), json.dumps(base64.b64encode(data).decode()), json.dumps(path)))

    def stored_paths(self):
        """Every path kept in the page's IndexedDB (files and folders)."""
        return self.evaluate('''new Promise((resolve) => {
          const open = indexedDB.open(%s);
          open.onerror = () => resolve([]);
          open.onsuccess = () => {
            const db = open.result;
            if (!db.objectStoreNames.contains("FILE_DATA")) { db.close(); resolve([]); return; }
            const keys = db.transaction("FILE_DATA").objectStore("FILE_DATA").getAllKeys();
            keys.onerror = () => { db.close(); resolve([]); };
            keys.onsuccess = () => { db.close(); resolve(keys.result.map(String)); };
          };
        })''' % json.dumps(STORE)) or []

    def stored_file(self, path):
        """A file's bytes as kept in the page's IndexedDB (None when not there)."""
        script = '''new Promise((resolve, reject) => {
          const open = indexedDB.open(%s);
          open.onerror = () => resolve(null);
          open.onsuccess = () => {
            const db = open.result;
            if (!db.objectStoreNames.contains("FILE_DATA")) { db.close(); resolve(null); return; }
            const get = db.transaction("FILE_DATA").objectStore("FILE_DATA").get(%s);
            get.onerror = () => { db.close(); resolve(null); };
            get.onsuccess = () => {
              db.close();
              const entry = get.result;
              if (!entry || !entry.contents) { resolve(null); return; }
              let text = "";
              const bytes = new Uint8Array(entry.contents);
              for (let i = 0; i < bytes.length; i++) text += String.fromCharCode(bytes[i]);
              resolve(btoa(text));
            };
          };
        })''' % (json.dumps(STORE), json.dumps(path))
        value = self.evaluate(script)
        return None if value is None else base64.b64decode(value)

    def override_quota(self, origin, size):
        """Shrinks the storage the site of origin may use to size bytes."""
        self.call('Storage.overrideQuotaForOrigin', origin=origin, quotaSize=size)

    def close(self):
        if getattr(self, 'owner', None):   # a tab of another's browser
            try:
                self.owner.call('Target.closeTarget', targetId=self.target)
            finally:
                self.ws.close()
            return
        try:
            self.ws.close()
        finally:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            if self.own_profile:
                shutil.rmtree(self.profile, ignore_errors=True)
            if self.short_tmp:
                shutil.rmtree(self.short_tmp, ignore_errors=True)


# The page keeps the player's folder (HOME) in this IndexedDB database.
STORE = '/home/web_user'
SCORES = STORE + '/.local/share/mnemora/scores.dat'
SETUP = STORE + '/.config/mnemora/Setup.ini'
LOG = STORE + '/.local/state/mnemora/Debug.txt'
