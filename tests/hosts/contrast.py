#!/usr/bin/env python3
"""Contrast of a drawn item against the bar around it, as WCAG measures it:
the bar's colour is the commonest in a 3-pixel ring around the item's box,
the glyph's the pixel in the box that differs most from it in luminance.

    contrast.py <screenshot> <W> <H> <X> <Y>   prints "<ratio> <bar rgb> <glyph rgb>"
"""
import collections
import subprocess
import sys


def pixels(image, crop):
    raw = subprocess.run(["convert", image, "-crop", crop, "+repage", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw) - 2, 3)]


def luminance(rgb):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = map(linear, rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    image = sys.argv[1]
    w, h, x, y = map(int, sys.argv[2:])
    ring = pixels(image, f"{w + 6}x{h + 6}+{max(x - 3, 0)}+{max(y - 3, 0)}")
    inner = set(pixels(image, f"{w}x{h}+{x}+{y}"))
    bar = collections.Counter(ring).most_common(1)[0][0]
    glyph = max(inner, key=lambda p: abs(luminance(p) - luminance(bar)))
    high, low = sorted((luminance(glyph), luminance(bar)), reverse=True)
    print("%.2f" % ((high + 0.05) / (low + 0.05)), "#%02x%02x%02x" % bar, "#%02x%02x%02x" % glyph)


if __name__ == "__main__":
    main()
