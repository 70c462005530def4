#!/usr/bin/env python3
"""How soon after Return on the name a round is in the page's IndexedDB, in
headless Chromium, and whether it survives the page's renderer killed a given
time after the key.

Usage: bench/web_save.py [WEB_FOLDER] [--rounds N] [--kills MS,MS,...]
(WEB_FOLDER default build-web/web; 5 rounds; kills at 60 and 120 ms).

Each round is started by Return on the title screen and left at once through
the pause menu's Quit, which leads to the name entry like any round's end
(the browser tests' to_name_entry).
The time runs from the key's arrival in the page (a listener ahead of the
game's) to the first moment a reader in the page finds the record in
IndexedDB; the reader looks every 2 ms or so. The Return key is held 100 ms,
as a player's press is.
"""
import argparse
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import browser  # noqa: E402
import page_test  # noqa: E402

# Watches the key and the stored scores.dat from inside the page: resolves to
# the milliseconds from Return to the record named NAME in IndexedDB.
WATCH = '''window.mnemoraSaveTime = new Promise((resolve) => {
  let pressed = null;
  addEventListener('keydown', (e) => { if (e.key === 'Enter' && pressed === null) pressed = performance.now(); }, true);
  const open = indexedDB.open(%(store)s);
  open.onsuccess = () => {
    const db = open.result;
    const look = () => {
      if (pressed === null) { setTimeout(look, 2); return; }
      const get = db.transaction('FILE_DATA').objectStore('FILE_DATA').get(%(path)s);
      get.onsuccess = () => {
        const entry = get.result;
        const text = entry && entry.contents ? new TextDecoder('latin1').decode(entry.contents) : '';
        if (text.includes('|' + %(name)s + '|')) { db.close(); resolve(performance.now() - pressed); }
        else setTimeout(look, 2);
      };
    };
    look();
  };
}), true'''


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('web', nargs='?', default=os.path.join(page_test.SOURCE, 'build-web', 'web'))
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--kills', default='60,120')
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix='mnemora-bench-')
    server = browser.PageServer(args.web)
    page = page_test.Page(server.url, 800, 600, work)
    try:
        page.open()
        times = []
        for n in range(args.rounds):
            name = 'Timed%d' % n
            page_test.to_name_entry(page, name)
            page.b.evaluate(WATCH % dict(store=repr(browser.STORE), path=repr(browser.SCORES), name=repr(name)))
            page.b.key('Enter', hold=0.1, gap=0)
            times.append(page.b.evaluate('window.mnemoraSaveTime'))
            print('round %d: stored %.1f ms after Return' % (n + 1, times[-1]), flush=True)
            page.wait_for_title('the title screen')
        if times:
            print('Return to IndexedDB: median %.1f ms, min %.1f, max %.1f (%d rounds)'
                  % (statistics.median(times), min(times), max(times), len(times)))
        for ms in [int(k) for k in args.kills.split(',') if k]:
            name = 'Killed%d' % ms
            page_test.to_name_entry(page, name)
            page.b.key('Enter', hold=ms / 1000.0, gap=0)
            try:
                page.b.call('Page.crash', timeout=5)
            except (RuntimeError, TimeoutError):
                pass   # the renderer is gone before it answers
            time.sleep(1)
            page.b.open(server.url)
            page.wait_for_title('the title screen after the kill', page_test.LOAD_TIMEOUT)
            kept = any(r[1] == name for r in page_test.records(page.stored(browser.SCORES) or b''))
            print('renderer killed %d ms after Return: the round %s' % (ms, 'kept' if kept else 'LOST'), flush=True)
    finally:
        page.close()
        server.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
