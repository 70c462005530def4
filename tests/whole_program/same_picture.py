#!/usr/bin/env python3
"""Whether two PNG pictures show the same: the same size, and no more than a
small share of pixels that differ clearly (a colour difference over 48 of
765), with a mean difference under 2 of 255. Prints what differs.

    same_picture.py EXPECTED.png ACTUAL.png        exit 0 same, 1 different
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), 'web'))
import browser  # noqa: E402  (its PNG decoder)

CLEAR = 48          # summed over the three channels
MAX_CLEAR = 0.005   # share of the pixels
MAX_MEAN = 2.0      # per channel, 0..255


def compare(expected, actual):
    if (expected.width, expected.height) != (actual.width, actual.height):
        return 'the sizes differ: %dx%d, %dx%d' % (expected.width, expected.height, actual.width, actual.height)
    total = clear = 0
    for y in range(expected.height):
        for x in range(expected.width):
            p, q = expected.pixel(x, y), actual.pixel(x, y)
            d = abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2])
            total += d
            clear += d > CLEAR
    n = float(expected.width * expected.height)
    mean, share = total / (3 * n), clear / n
    if mean >= MAX_MEAN or share > MAX_CLEAR:
        return 'mean difference %.2f, %.2f%% of the pixels clearly different' % (mean, 100 * share)
    return None


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    pictures = []
    for path in sys.argv[1:]:
        with open(path, 'rb') as f:
            pictures.append(browser.decode_png(f.read()))
    problem = compare(*pictures)
    if problem:
        print('%s and %s differ: %s' % (sys.argv[1], sys.argv[2], problem))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
