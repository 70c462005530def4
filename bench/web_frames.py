#!/usr/bin/env python3
"""The browser build in headless Chromium: load time to the first frame of the
title screen, frames a second and CPU time a frame on the title screen and in
a round, on each back end, and the sizes of what the page downloads.

Usage: bench/web_frames.py [WEB_FOLDER] [--size WxH] [--scale R] [--seconds N] [--engines OpenGL,DX7,DX9]
(WEB_FOLDER default build-web/web; size 1280x960 CSS pixels; pixel ratio 1; 10 s a measurement).

The page gives the game its own size times the pixel ratio (--scale 3 and
--size 844x390: a phone held sideways, 2532 x 1170 pixels); the graphics
engine is set through Setup.ini, written into the page's IndexedDB before the
game first starts. CPU time is counted twice: the page's main thread (the program and
the browser's work for it) and every process of the browser (the GPU process
runs WebGL on the CPU here).
"""
import gzip
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import browser  # noqa: E402

CLOCK_TICKS = os.sysconf('SC_CLK_TCK')


def process_tree_cpu(root_pid):
    """Seconds of CPU used so far by a process and all its descendants."""
    children = {}
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            with open('/proc/%s/stat' % entry) as f:
                fields = f.read().rsplit(')', 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append((int(entry), int(fields[11]) + int(fields[12])))
    total, todo = 0, [root_pid]
    try:
        with open('/proc/%d/stat' % root_pid) as f:
            fields = f.read().rsplit(')', 1)[1].split()
            total += int(fields[11]) + int(fields[12])
    except OSError:
        pass
    while todo:
        for pid, ticks in children.get(todo.pop(), []):
            total += ticks
            todo.append(pid)
    return total / CLOCK_TICKS


def seed_setup(b, url, text):
    """Writes Setup.ini into the page's IndexedDB before the game has ever
    started in this profile; the index of the first event after it."""
    return b.seed_files(url, {browser.SETUP: text.encode()})


def metrics(b):
    values = {m['name']: m['value'] for m in b.call('Performance.getMetrics')['metrics']}
    return values.get('TaskDuration', 0.0)


def measure(b, seconds):
    p0, t0, task0, cpu0 = b.evaluate('Module.mnemoraPage.presents'), time.time(), metrics(b), process_tree_cpu(b.proc.pid)
    time.sleep(seconds)
    p1, t1, task1, cpu1 = b.evaluate('Module.mnemoraPage.presents'), time.time(), metrics(b), process_tree_cpu(b.proc.pid)
    frames = max(1, p1 - p0)
    return {'fps': (p1 - p0) / (t1 - t0), 'main_ms': 1000 * (task1 - task0) / frames,
            'all_ms': 1000 * (cpu1 - cpu0) / frames}


def run_engine(folder, engine, width, height, seconds, scale=1, flags=()):
    server = browser.PageServer(folder)
    b = browser.Browser(width, height, flags=flags)
    try:
        b.emulate(width, height, scale)
        b.call('Performance.enable')
        seeded = seed_setup(b, server.url, '[Graphics]\r\nGFX Engine = %s\r\nWidth=%d\r\nHeight=%d\r\n' % (engine, width, height))
        start = time.time()
        b.open(server.url)
        b.wait_for('window.Module && Module.mnemoraPage && Module.mnemoraPage.presents > 0', timeout=180, interval=0.05)
        load = time.time() - start
        time.sleep(4)   # the title slides in
        title = measure(b, seconds)
        box = b.canvas_box()
        b.click(*b.to_page(box[4] // 2, int(box[5] * 350 / 600)))   # "Click Here to Start"
        time.sleep(4)
        round_ = measure(b, seconds)
        errors = b.errors(seeded)
        return {'engine': engine, 'load_s': load, 'title': title, 'round': round_, 'errors': errors}
    finally:
        b.close()
        server.close()


def main(argv):
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder, width, height, seconds, engines = os.path.join(top, 'build-web', 'web'), 1280, 960, 10, ['OpenGL', 'DX7', 'DX9']
    scale = 1
    args = list(argv)
    while args:
        a = args.pop(0)
        if a == '--size':
            width, height = map(int, args.pop(0).split('x'))
        elif a == '--scale':
            scale = float(args.pop(0))
        elif a == '--seconds':
            seconds = float(args.pop(0))
        elif a == '--engines':
            engines = args.pop(0).split(',')
        else:
            folder = a
    for name in ('mnemora.wasm', 'mnemora.data', 'mnemora.js', 'mnemora-data.js'):
        path = os.path.join(folder, name)
        with open(path, 'rb') as f:
            data = f.read()
        print('%-16s %9.0f KB  %9.0f KB gzipped' % (name, len(data) / 1024, len(gzip.compress(data, 9)) / 1024))
    names = {'OpenGL': 'GL back end on WebGL 2', 'DX7': 'software back end', 'DX9': 'SDL renderer'}
    for engine in engines:
        r = run_engine(folder, engine, width, height, seconds, scale)
        print('%s (%dx%d at pixel ratio %g): load to the first frame %.2f s'
              % (names.get(engine, engine), width, height, scale, r['load_s']))
        for screen in ('title', 'round'):
            m = r[screen]
            print('  %-6s %5.1f fps  main thread %6.2f ms/frame  whole browser %6.2f ms/frame'
                  % (screen, m['fps'], m['main_ms'], m['all_ms']))
        if r['errors']:
            print('  console errors: %s' % r['errors'])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
