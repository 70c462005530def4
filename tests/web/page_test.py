#!/usr/bin/env python3
"""The browser build played in headless Chromium with real input events.

Serves the web folder on 127.0.0.1, loads it in a fresh Chromium profile per
scenario, drives it with mouse, key and touch events over DevTools and judges
what it shows from screenshots and what it keeps from the files in IndexedDB:

  persistence   the title screen (against the desktop build's own picture of
                it when the game is given), the empty score panel of a fresh
                profile, the master volume turned down in the settings panel
                and kept in Setup.ini, Hard chosen and a round started by
                clicks, lost to its end, the name typed and the record in
                scores.dat; after a reload the record on Hard's score panel
                and the volume still down
  keys          no sound before the first key; F11 keeps the title on the
                page while it saves the screenshot and offers it as a PNG
                download; the sound runs after it; a round started by Return
  damaged_scores  a damaged scores.dat put in IndexedDB before the game ever
                started: the title screen with the file's one good record
                on its panel, and the damaged file kept aside as it was
  touch_start   a round started by a tap, on a canvas scaled to a larger window
  two_tabs      two tabs of one profile, both open before either saves: each
                turns a volume down and plays a round; the first tab's panel
                shows the second's round without a reload, and after a
                reload every round is on the panel and both settings stand
  damaged_store entries no page writes in IndexedDB (a folder stored as a
                file over a good scores.dat, Setup.ini with a date that is no
                date, an entry that is no file): the game starts with what
                can be read, keeps the rest aside and says so, deletes nothing
  full_storage  a storage quota too small for any write: the game plays, the
                round's save fails in the game's log and the page says the
                scores are not kept
  phone         a sideways phone (844 x 390, touch, pixel ratio 3): a sharp
                canvas in the wide layout, the settings button opening and
                closing the panel; the server stopped and the page reloaded
                from its service worker; a Hard round lost by taps, a stray
                tap on the name entry changing nothing, the name typed into
                the page's field as a phone's keyboard does, Done, and the
                record with that name in scores.dat; a second round paused
                by the pause button and quit by a tap in the pause menu;
                held upright, the prompt to turn it
  big_screens   1920 x 1080: a sharp canvas, the 16:9 wide layout, Chromium
                ready to install the page; resized to 1280 x 720 at pixel
                ratio 2: sharp and whole again, with no second display set-up

and after each, that the page wrote no error to its console.

    page_test.py [WEB_FOLDER] [--native GAME] [--failures DIR] [--shots DIR] [--only NAME,...]

WEB_FOLDER defaults to $MNEMORA_WEB_DIR, then build-web/web in the source tree.
GAME is the desktop build's executable; its headless title picture is the
reference for the browser's. On a failure the scenario's screenshots, console,
Chromium's messages and the stored files go to DIR (a new temporary folder by
default), and the folder is named; --shots keeps them for every scenario.
Exit status: 0 passed, 1 failed, 77 skipped (no web build, or no Chromium).
"""
import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

SKIP = 77
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Timeouts (seconds) generous for a loaded two-core machine with software GL.
LOAD_TIMEOUT = 120
SCREEN_TIMEOUT = 30
ROUND_TIMEOUT = 180
FILE_TIMEOUT = 15

# The name the round's record is saved under.
PLAYER = 'Webtest%d' % random.randint(100, 999)


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, probe, timeout, interval=0.5):
    """Polls probe() until it returns something true; its value."""
    deadline = time.time() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.time() > deadline:
            raise Failure('%s: not within %d s' % (what, timeout))
        time.sleep(interval)


# ---------------------------------------------------------------- the game's drawing space
class Space:
    """The title screen and the round draw in a space 960 units tall, as wide
    as the display's shape makes it; the canvas shows it scaled, and the page
    scales the canvas to the window."""

    def __init__(self, b):
        self.left, self.top, w, h, pw, ph = b.canvas_box()
        check(pw > 0 and ph > 0 and w > 0 and h > 0, 'the canvas has no size: %r' % ([w, h, pw, ph],))
        self.vw = 960.0 * pw / ph
        self.vh = 960.0
        self.sx, self.sy = w / self.vw, h / self.vh
        self.box = (self.left, self.top, w, h, pw, ph)

    def page(self, vx, vy):
        return self.left + vx * self.sx, self.top + vy * self.sy

    def rect(self, vx0, vy0, vx1, vy1):
        """A rectangle in page pixels (screenshots are taken at one pixel a page unit)."""
        x0, y0 = self.page(vx0, vy0)
        x1, y1 = self.page(vx1, vy1)
        return int(x0), int(y0), int(x1 + 0.999), int(y1 + 0.999)

    # Places on the title screen (game/title_screen.cpp, game/score_panel.cpp).
    def start_button(self):
        return self.vw / 2, self.vh / 2 + 80

    def difficulty_row(self, difficulty):
        # Easy, Medium and Hard, 50 units apart; the label's left half.
        return self.vw / 2 - 50, self.vh / 2 + 220 + 50 * difficulty

    def start_text(self):
        return self.rect(self.vw / 2 - 200, self.vh / 2 + 55, self.vw / 2 + 200, self.vh / 2 + 105)

    def logo(self):
        return self.rect(self.vw / 2 - 320, self.vh / 2 - 335, self.vw / 2 + 320, self.vh / 2 - 145)

    def score_panel(self):
        # The list of the best rounds and the history graph under it, and the
        # panel's frame.
        return self.rect(self.vw - 330, self.vh - 440, self.vw, self.vh - 8)

    def best_row(self, k):
        # Row k of the best list (name and score), 17 units a row from the panel's top.
        return self.rect(self.vw - 328, self.vh - 436 + 17 * (k - 1), self.vw - 4, self.vh - 436 + 17 * k)

    # The settings panel's master volume (framework/settings_panel.cpp): the
    # slider in the right column, 70 units under the panel's top, which comes
    # to rest 20 units down.
    def master_knob_value(self, image):
        """The volume the knob stands at, from the middle of its red picture."""
        x = self.vw - 280
        x0, y0, x1, y1 = self.rect(x - 20, 80, x + 120, 125)
        columns = [px for px in range(x0, x1) for py in range(y0, y1)
                   if (lambda p: p[0] > 180 and p[1] < 120 and p[2] < 120)(image.pixel(px, py))]
        if not columns:
            return None
        middle = (sum(columns) / len(columns) + 0.5 - self.left) / self.sx
        return middle - x + 2

    # The round's table (game/table_drawing.cpp): cells 96 x 128, the table
    # 640 wide in the middle; a card of column X, row Y centred here.
    def cell_centre(self, cell):
        x, y = cell
        return (self.vw - 640) / 2 - 16 + 96 * x, 128 * y - 32

    def table(self):
        return self.rect(self.vw / 2 - 300, 20, self.vw / 2 + 300, 780)

    def heading(self):
        # "Enter Your Name", 100 units over the middle.
        return self.rect(self.vw / 2 - 300, self.vh / 2 - 140, self.vw / 2 + 300, self.vh / 2 - 60)


def share(image, rect, predicate, step=2):
    x0, y0, x1, y1 = rect
    hits = total = 0
    for y in range(max(0, y0), min(image.height, y1), step):
        for x in range(max(0, x0), min(image.width, x1), step):
            total += 1
            if predicate(image.pixel(x, y)):
                hits += 1
    return hits / total if total else 0.0


def pink(p):   # the start button's text, not under the pointer
    return p[0] > 200 and 100 < p[1] < 200 and 100 < p[2] < 200


def orange(p):  # the logo's letters
    return p[0] > 200 and 90 < p[1] < 200 and p[2] < 110


def text(p):   # white text on the dark panels
    return p[0] + p[1] + p[2] > 450


def felt(p):   # the table's green cloth
    return p[1] > p[0] + 15 and p[1] > p[2] + 15


def bright_green(p):  # the name entry's heading
    return p[1] > 180 and p[0] < 110 and p[2] < 110


def looks_like_title(image, space):
    return share(image, space.start_text(), pink) > 0.05 and share(image, space.logo(), orange) > 0.03


def looks_like_round(image, space):
    return share(image, space.table(), felt, 4) > 0.6


def looks_like_name_entry(image, space):
    return share(image, space.heading(), bright_green) > 0.02 and share(image, space.table(), felt, 4) < 0.2


def chosen_difficulty(image, space):
    """The difficulty row drawn in full white (the others are drawn faded)."""
    bright = []
    for d in range(3):
        x, y = space.difficulty_row(d)
        rect = space.rect(x - 50, y - 20, x + 150, y + 20)
        if share(image, rect, lambda p: min(p) > 235, 1) > 0.01:
            bright.append(d)
    return bright[0] if len(bright) == 1 else tuple(bright)


def mean_difference(a, b, rect):
    """Mean colour difference (0..255) of two pictures over a rectangle, and
    the share of pixels that differ clearly."""
    x0, y0, x1, y1 = rect
    total = clear = n = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            p, q = a.pixel(x, y), b.pixel(x, y)
            d = abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2])
            total += d
            clear += d > 60
            n += 1
    return total / (3.0 * n), clear / float(n)


# ---------------------------------------------------------------- the desktop build's title
def native_title(game, work):
    """The desktop build's headless picture of the title screen at 800 x 600 on
    a fresh profile (None when it cannot be had). A game folder with Files/
    beside the executable is a portable game, which writes its settings and
    log there: it runs from a copy of its folder."""
    folder = os.path.join(work, 'native')
    os.makedirs(os.path.join(folder, 'home'))
    with open(os.path.join(folder, 'title.txt'), 'w') as f:
        f.write('9000 shot title.png\n+500 close\n+2000 key 32\n')
    env = {k: v for k, v in os.environ.items() if not k.startswith('XDG_')}
    env.update(HOME=os.path.join(folder, 'home'), MNEMORA_HEADLESS='title.txt')
    try:
        copy = os.path.join(folder, 'game')
        shutil.copytree(os.path.dirname(game), copy, symlinks=True)
        subprocess.run([os.path.join(copy, os.path.basename(game))], cwd=folder, env=env, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(folder, 'title.png'), 'rb') as f:
            return browser.decode_png(f.read())
    except (OSError, shutil.Error, subprocess.TimeoutExpired, ValueError):
        return None


# ---------------------------------------------------------------- a scenario's page
class Page:
    """One Chromium on the page, with the screenshots taken kept for a failure's report."""

    def __init__(self, url, width, height, work):
        self.url = url
        self.b = browser.Browser(width, height, profile=tempfile.mkdtemp(prefix='profile-', dir=work))
        self.shots = []
        self.touch = False
        self.started = time.time()
        self.since = 0   # the page's errors count from this event on

    def note(self, text):
        print('  %5.1f s  %s' % (time.time() - self.started, text), flush=True)

    def shot(self, label, clip=None, keep=True):
        image = self.b.screenshot(clip=clip)
        if keep:
            self.shots.append((label, image.png))
            del self.shots[:-40]
        return image

    def open(self):
        self.b.open(self.url)
        return self.wait_for_title('the title screen after the page loaded', LOAD_TIMEOUT)

    def reload(self, ignore_cache=True):
        self.b.reload(ignore_cache=ignore_cache)
        return self.wait_for_title('the title screen after a reload', LOAD_TIMEOUT)

    def space(self):
        return Space(self.b)

    def wait_for_title(self, what, timeout=SCREEN_TIMEOUT):
        # The screen slides in: it is taken once two pictures a moment apart
        # both look like it (the deck preview turns all the time).
        def probe():
            self.stopped()
            space = self.space()
            image = self.shot('waiting for ' + what, keep=False)
            if not looks_like_title(image, space):
                return None
            self.frames(20)
            image = self.shot(what)
            return (image, space) if looks_like_title(image, space) else None
        return wait_until(what, probe, timeout, interval=1.0)

    def frames(self, count, timeout=30):
        """Waits until the game has shown count more frames (a moment, on a
        page without the frame counter)."""
        counter = 'Module.mnemoraPage && Module.mnemoraPage.presents'
        start = self.b.evaluate(counter)
        if not isinstance(start, int):
            time.sleep(count / 20.0)
            return
        wait_until('%d frames' % count, lambda: self.b.evaluate(counter) >= start + count, timeout, 0.05)

    def stopped(self):
        # A page that stopped (a program that would not start, an uncaught
        # exception) is not waited for.
        errors = self.b.errors(self.since)
        check(not errors, 'the page stopped with errors:\n  ' + '\n  '.join(errors))

    def wait_for(self, what, looks, timeout=SCREEN_TIMEOUT):
        """Waits until a screenshot looks(image, space); the two."""
        def probe():
            self.stopped()
            space = self.space()
            image = self.shot(what, keep=False)
            return (image, space) if looks(image, space) else None
        image, space = wait_until(what, probe, timeout)
        self.shots.append((what, image.png))
        return image, space

    def click_virtual(self, space, vx, vy):
        if self.touch:
            self.b.tap(*space.page(vx, vy))
        else:
            self.b.click(*space.page(vx, vy))

    def be_phone(self, width, height, scale=3):
        """A phone or tablet of that size (CSS pixels) and pixel ratio: taps
        instead of clicks from now on."""
        self.b.emulate(width, height, scale, touch=True)
        self.touch = True

    def element(self, name):
        """An element of the page: (shown, x, y, width, height) in CSS pixels."""
        return tuple(self.b.evaluate(
            '(() => { const e = document.getElementById(%s); const r = e.getBoundingClientRect();'
            ' return [r.width > 0 && r.height > 0, r.left, r.top, r.width, r.height]; })()' % json.dumps(name)))

    def tap_element(self, name, what):
        shown, x, y, w, h = wait_until(what + ' shown', lambda: (lambda e: e if e[0] else None)(
            self.element(name)), SCREEN_TIMEOUT, 0.25)
        check(w >= 44 and h >= 44, '%s is %.0f x %.0f CSS pixels, under 44' % (what, w, h))
        self.b.tap(x + w / 2, y + h / 2)

    def focused(self):
        return self.b.evaluate('document.activeElement ? document.activeElement.id : ""')

    def park_pointer(self, space):
        # Over the plain backdrop at the top: the start button lights up and
        # the score panel opens a record's details under the pointer.
        self.b.move(*space.page(space.vw / 2, 16))

    def stored(self, path):
        return self.b.stored_file(path)

    def wait_for_file(self, what, path, accept):
        def probe():
            data = self.stored(path)
            return data if data is not None and accept(data) else None
        return wait_until(what, probe, FILE_TIMEOUT)

    def check_console(self):
        errors = self.b.errors(self.since)
        check(not errors, 'the page wrote errors to its console:\n  ' + '\n  '.join(errors))

    def report(self, folder, name):
        """Saves what the scenario saw; returns the files written."""
        os.makedirs(folder, exist_ok=True)
        written = []
        try:
            self.shots.append(('at the end', self.b.screenshot().png))
        except Exception as e:  # noqa: BLE001 - the page may be gone
            self.shots.append(('no final screenshot: %s' % e, b''))
        for i, (label, png) in enumerate(self.shots):
            if not png:
                continue
            path = os.path.join(folder, '%s-%02d-%s.png' % (name, i, ''.join(
                c if c.isalnum() else '_' for c in label)[:60]))
            with open(path, 'wb') as f:
                f.write(png)
            written.append(path)
        lines = ['console:'] + self.b.console() + ['', 'errors:'] + self.b.errors()
        try:
            log = self.b.evaluate('Module.mnemoraPage.readText(%s)' % json.dumps(browser.LOG))
        except Exception as e:  # noqa: BLE001
            log = '(not read: %s)' % e
        lines += ['', "the game's log as it stands:", str(log)]
        lines += ['', "Chromium's messages (last lines):"] + [s.rstrip() for s in self.b.stderr_lines[-60:]]
        for label, path in (('Setup.ini', browser.SETUP), ('scores.dat', browser.SCORES),
                            ('Debug.txt', browser.LOG)):
            try:
                data = self.stored(path)
            except Exception as e:  # noqa: BLE001
                data = ('(not read: %s)' % e).encode()
            lines += ['', '%s in IndexedDB:' % label,
                      '(none)' if data is None else data.decode('latin-1')]
        path = os.path.join(folder, name + '-console.txt')
        with open(path, 'w') as f:
            f.write('\n'.join(lines) + '\n')
        written.append(path)
        return written

    def tab(self):
        """Another tab of the same browser and profile, as a page of its own
        (its screenshots go to this page's report)."""
        other = object.__new__(Page)
        other.__dict__.update(url=self.url, b=self.b.open_tab(), shots=self.shots, started=self.started, since=0,
                              touch=self.touch)
        return other

    def note_text(self):
        """What the page says about its storage ('' when it says nothing)."""
        return self.b.evaluate('(document.getElementById("storage-note") || {}).textContent || ""')

    def game_log(self):
        return self.b.evaluate('Module.mnemoraPage.readText(%s)' % json.dumps(browser.LOG)) or ''

    def close(self):
        self.b.close()
        if not getattr(self.b, 'owner', None):
            shutil.rmtree(self.b.profile, ignore_errors=True)


# ---------------------------------------------------------------- playing a round to its end
def card_states(image, space, cells, origin=(0, 0)):
    """For each cell, from the middle of its card: 'felt' (no card), 'back',
    or a face: 'red' (the first pair's), 'blue' (the second's) or 'face'."""
    states = {}
    for cell in cells:
        cx, cy = space.page(*space.cell_centre(cell))
        cx, cy = int(cx) - origin[0], int(cy) - origin[1]
        rx, ry = max(2, int(24 * space.sx)), max(2, int(36 * space.sy))
        r = g = b = n = 0
        for y in range(cy - ry, cy + ry, 2):
            for x in range(cx - rx, cx + rx, 2):
                p = image.pixel(x, y)
                r, g, b, n = r + p[0], g + p[1], b + p[2], n + 1
        r, g, b = r / n, g / n, b / n
        if g > r + 30 and g > b + 20 and r + g + b < 300:
            states[cell] = 'felt'
        elif b > r + 25 and b > g + 20 and r + g + b < 330:
            states[cell] = 'back'
        elif r > b + 40:
            states[cell] = 'red'
        elif b > r + 40:
            states[cell] = 'blue'
        else:
            states[cell] = 'face'
    return states


BOARD = [(x, y) for y in range(1, 7) for x in range(1, 7)]


# A round deals its first two pairs face up in the middle; the first pair's
# cards show a red circle, the second's a blue square. Until a third pair is
# dealt the four stay there, swapped among themselves by the shuffles.
MIDDLE = [(3, 3), (4, 3), (3, 4), (4, 4)]
FIRST_DEAL = {(3, 3): 'red', (4, 4): 'red', (4, 3): 'blue', (3, 4): 'blue'}


def watch_turn(page, space, faces=None):
    """Follows one turn in the middle: the cards' faces while they are up
    (after a shuffle they stand still, face up, before they turn down; faces
    given hold them when unseen), then the two cards the round shows, in
    their order. Returns the wrong picks, the partner of the second card
    shown and then the first's; None when a look was missed (a turn goes on
    without the picks)."""
    x0, y0, x1, y1 = space.rect((space.vw - 640) / 2 + 208, 296, (space.vw - 640) / 2 + 432, 536)
    clip = (x0, y0, x1 - x0, y1 - y0)

    def states():
        return card_states(page.shot('the middle cards', clip=clip, keep=False), space, MIDDLE, (x0, y0))
    deadline = time.time() + 30
    while True:
        now = states()
        colours = sorted(now.values())
        if colours == ['blue', 'blue', 'red', 'red']:
            faces = now
        if colours == ['back'] * 4:
            break
        if time.time() > deadline:
            return None
    order, deadline = [], time.time() + 20
    while len(order) < 2 and time.time() < deadline:
        up = [cell for cell, state in states().items() if state != 'back' and cell not in order]
        if len(up) > 1 or len(order) + len(up) > 2:
            return None
        order += up
    if len(order) < 2 or faces is None:
        return None

    def partner(cell):
        return [c for c in MIDDLE if c != cell and faces[c] == faces[cell]][0]
    page.note('the middle cards %s; shown %s, then %s' % (
        ' '.join('%s%s' % (faces[c], c) for c in MIDDLE), order[0], order[1]))
    return [partner(order[1]), partner(order[0])]


def lose_round(page):
    """Plays a Hard round (one heart: two lost turns end it) to its end and
    returns the name entry's screenshot and space. Both turns are lost by
    picking the partners of the two cards shown in the reverse order; should
    a look be missed, the face-down cards are picked in a random order, which
    is wrong at least every other turn."""
    space = page.space()
    for turn in range(2):
        picks = watch_turn(page, space, FIRST_DEAL if turn == 0 else None)
        if not picks:
            page.note('a turn was missed')
            break
        for cell in picks:
            page.click_virtual(space, *space.cell_centre(cell))
        # Off the table: a card under the pointer is drawn tinted.
        page.b.move(*space.page((space.vw - 640) / 2 - 100, 480))
    deadline = time.time() + ROUND_TIMEOUT
    boards = 0
    while time.time() < deadline:
        space = page.space()
        x0, y0, x1, y1 = space.rect((space.vw - 640) / 2 + 16, 32, (space.vw - 640) / 2 + 624, 800)
        board = page.shot('the board', clip=(x0, y0, x1 - x0, y1 - y0), keep=False)
        if share(board, (0, 0, board.width, board.height), felt, 6) < 0.3:
            image = page.shot('after the round', keep=False)
            if looks_like_name_entry(image, space):
                page.shots.append(('the name entry', image.png))
                return image, space
            time.sleep(0.3)
            continue
        boards += 1
        backs = [cell for cell, state in card_states(board, space, BOARD, (x0, y0)).items() if state == 'back']
        random.shuffle(backs)
        for cell in backs:
            page.click_virtual(space, *space.cell_centre(cell))
    raise Failure('the round did not end within %d s of picking cards in a random order (%d boards seen)'
                  % (ROUND_TIMEOUT, boards))


def open_settings(page, space, what):
    """Tab on the title screen until the settings panel is out; the master
    volume its knob shows."""
    for _ in range(3):
        page.b.key('Tab', hold=0.2, gap=0.2)
        try:
            wait_until(what, lambda: space.master_knob_value(page.shot(what, keep=False)) is not None, 5)
            page.frames(15)   # at rest
            return space.master_knob_value(page.shot(what))
        except Failure:
            pass
    raise Failure('Tab on the title screen did not bring the settings panel out')


def set_volume(page, space, row, key):
    """Turns a volume of the settings panel to 0 by a click at its slider's
    left end (row: the slider's height on the panel at rest) and closes the
    panel, which saves; waits for the value in Setup.ini in IndexedDB."""
    open_settings(page, space, 'the settings panel')
    page.click_virtual(space, space.vw - 280 + 0.5, row)
    page.frames(5)
    page.b.key('Escape', hold=0.2, gap=0.2)
    page.wait_for_file('%s = 0 in Setup.ini in IndexedDB' % key, browser.SETUP, lambda d: setup_value(d, key) == '0')
    page.wait_for_title('the title screen after the settings panel closed')


MASTER_ROW, MUSIC_ROW = 100, 200


def to_name_entry(page, name):
    """A round started by Return on the title screen and left at once by the
    pause menu's Quit (Escape opens it on Continue: Down, then Return), then
    the name typed; Return on it is left to the caller."""
    page.b.key('Enter', hold=0.2, gap=0.2)
    page.wait_for('the round after Return on the title screen', looks_like_round)
    # A key lost on a slow frame leaves the round or the menu up: from the
    # round the three keys go again, in the menu Escape takes the entry it
    # highlights (Escape on the name entry would end it: never sent there).
    for _ in range(6):
        image = page.shot('leaving the round', keep=False)
        space = page.space()
        if looks_like_name_entry(image, space):
            break
        if looks_like_round(image, space):
            page.b.key('Escape', hold=0.2, gap=0.8)
            page.b.key('ArrowDown', hold=0.2, gap=0.3)
            page.b.key('Enter', hold=0.2, gap=0.2)
        else:
            page.b.key('Escape', hold=0.2, gap=0.2)
        try:
            page.wait_for('the name entry after Quit in the pause menu', looks_like_name_entry, 15)
            break
        except Failure:
            continue
    else:
        raise Failure('Quit in the pause menu did not lead to the name entry')
    for _ in range(16):
        page.b.key('Backspace', hold=0.05, gap=0.05)
    page.b.type_text(name)
    page.frames(len(name) + 5)   # one typed character a frame


def quick_round(page, name, stored=True):
    """A round left at once for the name entry (to_name_entry), then Return:
    returns once the record is in IndexedDB (when it is to be stored) and the
    title screen is back."""
    to_name_entry(page, name)
    page.b.key('Enter')
    if stored:
        page.wait_for_file('the record named %s in scores.dat in IndexedDB' % name, browser.SCORES,
                           lambda d: any(r[1] == name for r in records(d)))
    page.park_pointer(page.space())
    return page.wait_for_title('the title screen after the name')


def panel_rows(image, space):
    """How many rows the best list of the score panel shows."""
    return sum(1 for k in range(1, 6) if share(image, space.best_row(k), text, 1) > 0.05)


def records(data):
    """The score file's record lines as field lists (a record has eight fields)."""
    out = []
    for line in data.decode('latin-1').splitlines():
        fields = line.split('|')
        if len(fields) == 8:
            out.append(fields)
    return out


def setup_value(data, key):
    """A key's value in Setup.ini's text (None without the file or the key)."""
    for line in (data or b'').decode('latin-1').splitlines():
        name, sep, value = line.partition('=')
        if sep and name.strip().lower() == key.lower():
            return value.split(';')[0].strip()
    return None


# ---------------------------------------------------------------- scenarios
def persistence(page, reference):
    image, space = page.open()
    page.note('the title screen')
    check(list(space.box[2:]) == [800, 600, 800, 600],
          'the 800 x 600 canvas does not fill the 800 x 600 window: %r' % (space.box,))
    if reference is not None:
        # Everything but the turning deck preview and the blinking hint.
        for name, rect in (('logo', space.logo()), ('start button', space.start_text()),
                           ('rules', space.rect(500, 390, 780, 520)),
                           ('difficulty rows', space.rect(520, 670, 720, 830)),
                           ('table picker', space.rect(40, 90, 290, 470)),
                           ('credits', space.rect(10, 530, 430, 952)),
                           ('score panel', space.score_panel())):
            mean, clear = mean_difference(image, reference, rect)
            check(mean < 6 and clear < 0.03, 'the title screen differs from the desktop build\'s at the %s: '
                  'mean difference %.1f, %.1f%% of pixels clearly' % (name, mean, 100 * clear))
    check(share(image, space.score_panel(), text, 1) < 0.001, 'the score panel of a fresh profile is not empty')

    # Settings: Tab, the focus down to the master volume, ten steps left (to 0), Escape.
    stored = page.stored(browser.SETUP)
    check(stored is None or setup_value(stored, 'Master') == '50',
          'a fresh profile\'s Setup.ini has Master = %r, not 50' % setup_value(stored, 'Master'))
    knob = open_settings(page, space, 'the settings panel')
    check(abs(knob - 50) < 8, 'the settings panel\'s master volume knob is not at 50 (read %.0f)' % knob)
    # A click at the slider's left end turns the volume down to 0.
    page.click_virtual(space, space.vw - 280 + 0.5, 100)
    page.frames(5)
    knob = space.master_knob_value(page.shot('the master volume turned down'))
    check(knob is not None and abs(knob) < 8, 'the master volume knob did not go to 0 (read %r)' % knob)
    page.b.key('Escape', hold=0.2, gap=0.2)
    page.note('the master volume turned down in the settings panel')
    page.wait_for_file('Master = 0 in Setup.ini in IndexedDB after the panel closed', browser.SETUP,
                       lambda d: setup_value(d, 'Master') == '0')
    page.wait_for_title('the title screen after the settings panel closed')

    # Hard by a click on its row, then a round by a click on the start
    # button, lost to its end.
    page.click_virtual(space, *space.difficulty_row(2))
    page.park_pointer(space)
    page.frames(5)
    image = page.shot('Hard chosen')
    check(chosen_difficulty(image, space) == 2, 'a click on Hard did not choose it (%r looks chosen)'
          % chosen_difficulty(image, space))
    page.click_virtual(space, *space.start_button())
    page.wait_for('the round after a click on "Click Here to Start"', looks_like_round)
    page.note('a round started by a click')
    image, space = lose_round(page)
    page.note('the round lost, the name asked for')
    # The name starts as the last one; sixteen Backspaces clear any.
    for _ in range(16):
        page.b.key('Backspace')
    page.b.type_text(PLAYER)
    page.frames(len(PLAYER) + 5)   # one typed character a frame
    typed = page.shot('the name typed')
    check(mean_difference(image, typed, space.rect(space.vw / 2 - 300, space.vh / 2 - 40,
                                                   space.vw / 2 + 300, space.vh / 2 + 40))[1] > 0.01,
          'the name typed does not show on the name entry')
    page.b.key('Enter')
    page.park_pointer(space)
    data = page.wait_for_file('the record named %s in scores.dat in IndexedDB' % PLAYER, browser.SCORES,
                              lambda d: any(r[1] == PLAYER for r in records(d)))
    page.note('the record in scores.dat')
    record = [r for r in records(data) if r[1] == PLAYER][0]
    check(record[5] == '2' and record[7] == '0', 'the record is not a finished Hard round: %r' % (record,))
    image, space = page.wait_for_title('the title screen after the name')
    panel_after_round = image

    # After a reload: the record on the score panel, the volume still at 0.
    image, space = page.reload()
    page.note('the title screen after a reload')
    # The panel lists the chosen difficulty's rounds; a new page starts on Medium.
    page.click_virtual(space, *space.difficulty_row(2))
    page.park_pointer(space)
    page.frames(5)
    image = page.shot('Hard chosen after a reload')
    check(share(image, space.best_row(1), text, 1) > 0.05 and share(image, space.best_row(2), text, 1) < 0.001,
          'after a reload the score panel does not show one row')
    mean, clear = mean_difference(panel_after_round, image, space.score_panel())
    check(clear < 0.02, 'after a reload the score panel differs from the one right after the round '
          '(%.2f%% of pixels)' % (100 * clear))
    knob = open_settings(page, space, 'the settings panel after a reload')
    check(abs(knob) < 8, 'after a reload the master volume knob is not at 0 (read %.0f)' % knob)
    page.b.key('Escape', hold=0.2, gap=0.2)
    check(setup_value(page.stored(browser.SETUP), 'Master') == '0', 'after a reload Setup.ini lost Master = 0')
    check(any(r[1] == PLAYER for r in records(page.stored(browser.SCORES) or b'')),
          'after a reload scores.dat lost the record')
    page.frames(30)   # time for a late error to show


def keys(page, reference):
    downloads = tempfile.mkdtemp(prefix='downloads-', dir=os.path.dirname(page.b.profile))
    page.b.allow_downloads(downloads)
    image, space = page.open()
    # Browsers start sound only after a gesture: the first key.
    state = page.b.evaluate('Module.mnemoraPage.audioState()')
    check(state in ('suspended', 'none'), 'the sound runs before any click or key: %r' % state)

    # F11: every frame while the screenshot is saved is a whole title screen
    # (the notices over it), and the picture comes as a PNG download.
    mark = len(page.b.events)
    page.b.key('F11', hold=0.2, gap=0.0)
    started = time.time()
    while time.time() - started < 2.0:
        image = page.shot('after F11')
        mean, colours = image.region_stats(0, 0, image.width, image.height, 8)
        check(looks_like_title(image, space) and mean > 20 and colours > 100,
              'after F11 the page showed something other than the title screen (mean brightness %.0f, %d '
              'colours, %.1f s after the key)' % (mean, colours, time.time() - started))
    try:
        name, path = page.b.wait_download(mark, FILE_TIMEOUT)
    except (TimeoutError, RuntimeError) as e:
        raise Failure('F11 on the title screen gave no download: %s' % e)
    check(name.endswith('.png'), 'F11 offered %r, not a PNG' % name)
    with open(path, 'rb') as f:
        picture = browser.decode_png(f.read())
    check((picture.width, picture.height) == (800, 600), 'the screenshot is %dx%d, not the game\'s 800x600'
          % (picture.width, picture.height))
    wait_until('the sound running after the first key', lambda: page.b.evaluate(
        'Module.mnemoraPage.audioState()') == 'running', 10)

    # A quick stroke: its release reaches the page before the game's next
    # frame reads the keys, and it still counts.
    page.b.key('Enter', hold=0.0, gap=0.2)
    page.wait_for('the round after a quick Return on the title screen', looks_like_round)
    page.frames(30)   # time for a late error to show


def damaged_scores(page, reference):
    # A score file with a good record among lines of no kind the game writes.
    damaged = (b'42|Keeper|0|65150000000|0|1|0|0\r\n' + b'|'.join([b'0'] * 30) + b'\r\n'
               b'not a record at all\r\n\x00\xff\xfe|||\x01\r\n9|Half|0\r\n')
    page.since = page.b.seed_files(page.url, {browser.SCORES: damaged})
    image, space = page.open()
    presents = page.b.evaluate('Module.mnemoraPage.presents')
    page.frames(30)   # time for a late error to show
    check(page.b.evaluate('Module.mnemoraPage.presents') > presents, 'the title screen stands still')
    check(share(image, space.best_row(1), text, 1) > 0.05 and share(image, space.best_row(2), text, 1) < 0.001,
          'the good record of the damaged file is not the one row on the score panel')
    kept = wait_until('a copy of the damaged scores.dat in IndexedDB', lambda: [
        p for p in page.b.stored_paths() if p.startswith(browser.SCORES + '.bad-')], FILE_TIMEOUT)
    check(len(kept) == 1, 'more than one copy of the damaged file: %r' % kept)
    check(page.stored(kept[0]) == damaged, 'the copy %s does not hold the damaged file as it was' % kept[0])


def two_tabs(page, reference):
    """Two tabs of one profile, both started before either saves: each
    changes a setting and plays a round; nothing either saved is lost."""
    a = page
    a.open()
    b = a.tab()
    b.open()
    image, space = a.wait_for_title('the first tab\'s title screen')
    set_volume(a, space, MASTER_ROW, 'Master')
    set_volume(b, b.space(), MUSIC_ROW, 'Music')
    check(setup_value(a.stored(browser.SETUP), 'Master') == '0',
          'the second tab\'s settings saved over the master volume the first tab turned down')
    quick_round(a, 'TabOne')
    quick_round(b, 'TabTwo')
    kept = [r[1] for r in records(a.stored(browser.SCORES) or b'')]
    check('TabOne' in kept and 'TabTwo' in kept, 'scores.dat in IndexedDB holds %r, not both tabs\' rounds' % kept)
    # The first tab shows the second's round without a reload once it is in front.
    a.b.evaluate('window.dispatchEvent(new Event("focus")), true')
    wait_until('both rounds on the first tab\'s score panel', lambda: panel_rows(
        a.shot('the first tab\'s score panel', keep=False), space) == 2, SCREEN_TIMEOUT)
    # The second tab holds the save's lock: the first tab's save waits for it
    # a moment, then writes nothing and keeps the round for the next save (the
    # one on leaving, here); a round stored meanwhile by someone who tells no
    # tab is read in once the lock is let go, and kept.
    to_name_entry(a, 'TabThree')
    lock = json.dumps('mnemora:' + browser.SCORES + '.lock')
    b.b.evaluate('new Promise((held) => navigator.locks.request(%s, () => new Promise((release) => {'
                 ' window.letGo = release; held(true); })))' % lock)
    a.b.key('Enter')
    time.sleep(1.5)
    check(not any(r[1] == 'TabThree' for r in records(a.stored(browser.SCORES) or b'')),
          'the save did not wait for the lock another tab held')
    a.wait_for_title('the title screen after a save that could not lock')
    outsider = b'7|Outsider|0|65150000000|0|1|0|0\r\n' + b'|'.join([b'0'] * 30) + b'\r\n'
    a.b.put_stored_file(browser.SCORES, (a.stored(browser.SCORES) or b'') + outsider)
    b.b.evaluate('window.letGo(), true')
    a.b.key('Escape', hold=0.2, gap=0.2)   # leaving saves what is kept
    a.wait_for_file('the record named TabThree in scores.dat in IndexedDB', browser.SCORES,
                    lambda d: any(r[1] == 'TabThree' for r in records(d)))
    b.close()
    image, space = a.reload()
    check(panel_rows(image, space) == 4, 'after a reload the score panel shows %d rows, not the 4 rounds'
          % panel_rows(image, space))
    stored = a.stored(browser.SETUP)
    check(setup_value(stored, 'Master') == '0' and setup_value(stored, 'Music') == '0',
          'Setup.ini lost a setting: Master = %r, Music = %r' % (setup_value(stored, 'Master'),
                                                                 setup_value(stored, 'Music')))


def damaged_store(page, reference):
    """Entries no page writes, seeded before the first start: a folder stored
    as a file with a good scores.dat under it, Setup.ini with a date that is
    no date, and an entry that is no file at all."""
    good = b'42|Keeper|0|65150000000|0|1|0|0\r\n' + b'|'.join([b'0'] * 30) + b'\r\n'
    folder = browser.SCORES.rsplit('/', 1)[0]
    odd = browser.LOG.rsplit('/', 1)[0] + '/notes.txt'
    raw = '''
      const text = (t) => new TextEncoder().encode(t);
      store.put({ timestamp: now, mode: 33188, contents: text("not a folder") }, %s);
      store.put({ timestamp: "yesterday", mode: 33188, contents: text("Master = 30\\r\\n") }, %s);
      store.put("no entry of ours", %s);
    ''' % (json.dumps(folder), json.dumps(browser.SETUP), json.dumps(odd))
    page.since = page.b.seed_files(page.url, {browser.SCORES: good}, raw)
    image, space = page.open()
    check(panel_rows(image, space) == 1, 'the good scores.dat under the damaged folder entry is not on the panel')
    knob = open_settings(page, space, 'the settings panel')
    check(abs(knob - 30) < 8, 'Setup.ini with a damaged date was not read: the master volume is at %.0f' % knob)
    page.b.key('Escape', hold=0.2, gap=0.2)
    for path, held in ((folder, b'not a folder'), (odd, b'no entry of ours')):
        copies = [p for p in page.b.stored_paths() if p.startswith(path + '.bad-')]
        check(len(copies) == 1 and page.stored(copies[0]) == held,
              'the entry %s was not kept aside once as it was: %r' % (path, copies))
    check(odd in page.b.stored_paths() and records(page.stored(browser.SCORES) or b'')[0][1] == 'Keeper',
          'a stored entry was deleted after a partial load')
    said = page.note_text()
    check('could not be read' in said, 'the page does not say that stored files could not be read: %r' % said)
    # A save renames over its file; deleting that name later must not bring
    # the replaced file back (the page's file system kept it in its table).
    check(page.b.evaluate('''(() => { const d = "/renamed-check"; FS.mkdirTree(d);
        FS.writeFile(d + "/f", "old"); FS.writeFile(d + "/f.tmp", "new"); FS.rename(d + "/f.tmp", d + "/f");
        FS.unlink(d + "/f"); try { FS.readFile(d + "/f"); return false; } catch (e) { return true; } })()'''),
          'a file deleted after a save renamed over it came back')
    check('could not be read' in page.game_log(), 'the game\'s log does not say that stored files could not be read')


def full_storage(page, reference):
    """A storage that refuses every write: the game plays, a round's save
    fails with the game's own notice, and the page says scores are not kept."""
    page.b.override_quota(page.url.rstrip('/'), 1)
    image, space = page.open()
    quick_round(page, 'Unkept', stored=False)
    check('Could not save scores.dat' in page.game_log(), 'the game did not learn that the round was not stored')
    said = page.note_text()
    check('not kept' in said, 'the page does not say that the scores are not kept: %r' % said)


def touch_start(page, reference):
    image, space = page.open()
    # A quick tap: touch down and up before the game's next frame.
    page.b.tap(*space.page(*space.start_button()), hold=0.0)
    page.wait_for('the round after a quick tap on "Click Here to Start"', looks_like_round)
    page.frames(30)   # time for a late error to show


def yellow(p):  # the pause menu's highlighted entry
    return p[0] > 200 and p[1] > 200 and p[2] < 90


def pause_entry(space, entry):
    """Continue (0) or Quit (1) in the pause menu: where its text starts."""
    return 0.1 * space.vw + 10, 0.375 * space.vh + 60 * (entry + 1)


def looks_like_pause_menu(image, space):
    x, y = pause_entry(space, 0)
    return share(image, space.rect(x, y, x + space.vw / 6, y + 40), yellow, 1) > 0.02


def check_sharp(page, scale):
    """The canvas holds its displayed size times the pixel ratio; the space."""
    space = page.space()
    left, top, w, h, pw, ph = space.box
    check(abs(pw - w * scale) <= 2 and abs(ph - h * scale) <= 2,
          'the canvas holds %d x %d pixels shown at %.0f x %.0f CSS pixels, not %g times that'
          % (pw, ph, w, h, scale))
    return space


def game_log(page):
    return page.b.evaluate('Module.mnemoraPage.readText(%s)' % json.dumps(browser.LOG)) or ''


def typed_name(page, what, name, stray=None):
    """On the name entry: the page's field has the focus (the phone's
    keyboard), a stray tap changes nothing, the name goes in as a phone's
    keyboard types it, Done finishes it."""
    wait_until('the page\'s name field focused on the name entry', lambda: page.focused() == 'name-field', 10)
    if stray is not None:
        image, space = stray
        page.b.tap(*space.page(space.vw / 2, space.vh / 4))
        page.frames(20)
        image, space = page.wait_for('the name entry after a stray tap', looks_like_name_entry, 5)
        check(page.focused() == 'name-field', 'a stray tap on the name entry took the focus from the name field')
    if name:
        page.b.insert_text(name)
        page.frames(10)
    page.shot(what)
    page.b.key('Enter')


def phone(page, reference):
    # A phone held sideways: a sharp picture in the wide layout.
    page.be_phone(844, 390)
    own = browser.PageServer(page.server_folder)
    page.url = own.url
    try:
        image, space = page.open()
        space = check_sharp(page, 3)
        check(space.vw > 1900, 'the title is not in the page\'s wide shape (%.0f units wide)' % space.vw)
        check(not page.element('pause-button')[0], 'the pause button is shown on the title screen')
        # The settings button opens and closes the settings panel.
        page.tap_element('settings-button', 'the settings button')
        wait_until('the settings panel after a tap on its button',
                   lambda: space.master_knob_value(page.shot('the settings panel', keep=False)) is not None, 10)
        page.shot('the settings panel by touch')
        page.tap_element('settings-button', 'the settings button')
        page.wait_for_title('the title after the settings panel closed by touch')
        # Kept for offline play once the page's worker has stored its files.
        page.b.wait_for('navigator.serviceWorker.ready.then(r => caches.keys()).then(k => k.some('
                        'n => n.startsWith("mnemora-")) && !!navigator.serviceWorker.controller)', 60)
    finally:
        own.close()
    page.note('the server stopped')
    try:
        image, space = page.reload(ignore_cache=False)
    except RuntimeError as e:   # no page at all: no canvas to look at
        raise Failure('the page did not load without the network: %s' % str(e)[:200])
    page.note('the title without the network')

    # A Hard round lost by taps, the name typed with the phone's keyboard.
    page.click_virtual(space, *space.difficulty_row(2))
    page.click_virtual(space, *space.start_button())
    page.wait_for('the round after a tap on "Click Here to Start"', looks_like_round)
    image, space = lose_round(page)
    name = 'Zo\u00eb%d' % random.randint(100, 999)
    typed_name(page, 'the name typed into the page\'s field', name, stray=(image, space))
    data = page.wait_for_file('the record named %s in scores.dat in IndexedDB' % name, browser.SCORES,
                              lambda d: any(r[1] == name for r in records(d)))
    record = [r for r in records(data) if r[1] == name][0]
    check(record[5] == '2' and record[7] == '0', 'the record is not a finished Hard round: %r' % (record,))
    check(len(records(data)) == 1, 'more than the one round in scores.dat: %r' % (records(data),))
    image, space = page.wait_for_title('the title screen after the name')
    page.note('the round lost and named')

    # The pause button in a round, Quit by a tap in the pause menu.
    page.click_virtual(space, *space.start_button())
    page.wait_for('the second round', looks_like_round)
    page.tap_element('pause-button', 'the pause button')
    image, space = page.wait_for('the pause menu after a tap on the pause button', looks_like_pause_menu)
    check(not page.element('pause-button')[0], 'the pause button is still shown in the pause menu')
    x, y = pause_entry(space, 1)
    page.click_virtual(space, x + 40, y + 16)
    page.wait_for('the name entry after Quit by touch', looks_like_name_entry)
    typed_name(page, 'the name entry after Quit', None)
    page.wait_for_file('the quit round in scores.dat in IndexedDB', browser.SCORES,
                       lambda d: [r[7] for r in records(d)].count('1') == 1 and len(records(d)) == 2)
    page.wait_for_title('the title screen after the quit round\'s name')
    page.note('the round quit by touch')

    # Upright: the page asks to turn the phone, over the whole page.
    page.be_phone(390, 844)
    shown = wait_until('the prompt to turn the phone', lambda: (lambda e: e if e[0] else None)(
        page.element('turn')), 5, 0.25)
    check(shown[3] >= 390 and shown[4] >= 844, 'the prompt does not cover the upright page: %r' % (shown,))
    page.shot('upright')


def big_screens(page, reference):
    image, space = page.open()
    space = check_sharp(page, 1)
    check(abs(space.vw - 960 * 16 / 9) < 2, 'the title is not in the 16:9 wide layout (%.0f units wide)' % space.vw)
    page.b.wait_for('navigator.serviceWorker.ready.then(() => !!navigator.serviceWorker.controller)', 60)
    errors = page.b.call('Page.getInstallabilityErrors').get('installabilityErrors')
    check(not errors, 'Chromium would not install the page: %r' % (errors,))
    # A resize: sharp and whole again, without the splash or the engine test.
    page.b.emulate(1280, 720, 2)
    wait_until('a sharp canvas after a resize', lambda: abs(page.space().box[4] - 2560) <= 2, 10, 0.25)
    page.wait_for_title('the title after a resize', 10)
    check_sharp(page, 2)
    log = game_log(page)
    check(log.count('Applying Graphical Settings') == 1 and log.count('Starting Engine Test') == 1,
          'the display was set up again after a resize:\n' + log[-1500:])


SCENARIOS = [  # name, function, window size
    ('persistence', persistence, (800, 600)),
    ('keys', keys, (800, 600)),
    ('damaged_scores', damaged_scores, (800, 600)),
    ('touch_start', touch_start, (1280, 960)),
    ('two_tabs', two_tabs, (800, 600)),
    ('damaged_store', damaged_store, (800, 600)),
    ('full_storage', full_storage, (800, 600)),
    ('phone', phone, (844, 390)),
    ('big_screens', big_screens, (1920, 1080)),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('web', nargs='?', default=os.environ.get('MNEMORA_WEB_DIR')
                        or os.path.join(SOURCE, 'build-web', 'web'))
    parser.add_argument('--native', help="the desktop build's executable (its title is the reference)")
    parser.add_argument('--failures', help='folder for what a failed scenario saw')
    parser.add_argument('--only', help='scenarios to run, comma-separated')
    parser.add_argument('--shots', help='folder for what every scenario saw, passed or not')
    args = parser.parse_args()

    if not os.path.isfile(os.path.join(args.web, 'index.html')):
        print('SKIP: no web build at %s (make web builds it)' % args.web)
        return SKIP
    if not shutil.which('chromium'):
        print('SKIP: chromium is not installed')
        return SKIP
    chosen = [s for s in SCENARIOS if not args.only or s[0] in args.only.split(',')]
    unknown = set(args.only.split(',')) - {s[0] for s in SCENARIOS} if args.only else set()
    if unknown:
        parser.error('no scenario %s (there are %s)' % (', '.join(sorted(unknown)),
                                                        ', '.join(s[0] for s in SCENARIOS)))

    work = tempfile.mkdtemp(prefix='mnemora-web-')
    # Chromium's own temporary files go into the work folder too.
    os.environ['TMPDIR'] = work
    tempfile.tempdir = work
    server = browser.PageServer(args.web)
    failed = []
    started = time.time()
    try:
        reference = None
        if args.native:
            reference = native_title(os.path.abspath(args.native), work)
            if reference is None:
                print('note: no title picture from %s; the title is judged by its colours alone' % args.native)
        for name, scenario, (width, height) in chosen:
            if args.failures and os.path.isdir(args.failures):
                for old in os.listdir(args.failures):   # an earlier run's report of this scenario
                    if old.startswith(name + '-'):
                        os.remove(os.path.join(args.failures, old))
            t0 = time.time()
            try:
                page = Page(server.url, width, height, work)
                page.server_folder = args.web
            except Exception as e:  # noqa: BLE001 - no browser, no scenario
                print('FAIL %s: Chromium did not start or take the page: %s' % (name, e))
                failed.append(name)
                continue
            try:
                scenario(page, reference)
                page.check_console()
                print('PASS %s (%.0f s)' % (name, time.time() - t0))
                if args.shots:
                    page.report(args.shots, name)
            except Exception as e:  # noqa: BLE001 - a scenario's failure is reported, the rest run
                detail = str(e) if isinstance(e, Failure) else traceback.format_exc()
                folder = args.failures or tempfile.mkdtemp(prefix='mnemora-web-failure-', dir=os.path.dirname(work))
                written = page.report(folder, name)
                print('FAIL %s (%.0f s): %s' % (name, time.time() - t0, detail))
                print('  what it saw: %s (%d files)' % (folder, len(written)))
                failed.append(name)
            finally:
                page.close()
    finally:
        server.close()
        shutil.rmtree(work, ignore_errors=True)
    print('%d of %d scenarios passed in %.0f s' % (len(chosen) - len(failed), len(chosen), time.time() - started))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
