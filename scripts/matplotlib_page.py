#!/usr/bin/env python3
"""The timing-diagram page drawn with matplotlib, for comparison.

What a user would write instead of the converter: one Python process that
loops over captures and saves each page as a vector PDF with the same
elements, geometry and stroke widths (17 x 11 inches, device pixels of
1/1200 inch; heading, tick-frequency line, tick marks, one stepped trace per
channel with its name, a dotted green guide line under a channel that never
changes). Text is embedded as a TrueType font, as the converter does.

  matplotlib_page.py [--out-dir DIR] [--tick-marks N] CAPTURE...

Prints the time per page (reading, drawing and writing; start-up apart).
"""
import argparse
import os
import sys
import time

import matplotlib

matplotlib.use("pdf")
matplotlib.rcParams["pdf.fonttype"] = 42          # TrueType, not Type 3
matplotlib.rcParams["font.family"] = "DejaVu Sans"
matplotlib.rcParams["lines.scale_dashes"] = True
from matplotlib.collections import LineCollection  # noqa: E402
from matplotlib.figure import Figure  # noqa: E402
import numpy as np  # noqa: E402

DPI = 1200
PT = 72.0 / DPI                  # points per device pixel
TRACE_LEFT, SAMPLE_WIDTH, SAMPLES = 3000, 8, 2048
TRACE_RIGHT = TRACE_LEFT + SAMPLE_WIDTH * SAMPLES
LEVEL_HEIGHT, SLOT_PITCH, FIRST_BASE = 150, 350, 1550
TICK_TOP, TICK_BOTTOM = 1250, 1300
TEXT_LEFT, HEADING_TOP, TICK_LINE_TOP, FIRST_NAME_TOP = 1200, 625, 850, 1350
GREEN = (0, 128 / 255, 0)


def strip(line):
    return line.replace(",", " ").replace('"', "").strip()


def read_capture(path):
    with open(path, newline="") as f:
        lines = f.read().splitlines()
    heading = " / ".join(strip(line) for line in lines[:4])
    names = strip(lines[4]).split()
    names += [""] * (16 - len(names))
    levels = np.loadtxt(lines[5:5 + SAMPLES], delimiter=",", dtype=np.int16, ndmin=2)
    return heading, names[:16], levels.T


def stepped(levels, base):
    # One polyline: a level segment per sample and an edge wherever it changes.
    y = base - LEVEL_HEIGHT * levels.astype(float)
    x = TRACE_LEFT + SAMPLE_WIDTH * np.arange(SAMPLES + 1)
    xs = np.repeat(x, 2)[1:-1]
    ys = np.repeat(y, 2)
    return xs, ys


def draw_page(path, out, tick_spacing):
    heading, names, levels = read_capture(path)
    fig = Figure(figsize=(17, 11))
    ax = fig.add_axes((0, 0, 1, 1))
    ax.set_axis_off()
    ax.set_xlim(0, 17 * DPI)
    ax.set_ylim(11 * DPI, 0)

    text = dict(fontsize=12, va="top", ha="left")
    if tick_spacing > 0:
        xs = TRACE_LEFT + SAMPLE_WIDTH * np.arange(0, SAMPLES + 1, tick_spacing)
        ax.add_collection(LineCollection(
            [((x, TICK_TOP), (x, TICK_BOTTOM)) for x in xs],
            colors="black", linewidths=1 * PT, capstyle="round"))
    for slot in range(levels.shape[0]):
        base = FIRST_BASE + SLOT_PITCH * slot
        total = int(levels[slot].sum())
        for y in ([base] if total == SAMPLES else []) + ([base - LEVEL_HEIGHT] if total == 0 else []):
            ax.plot([TRACE_LEFT, TRACE_RIGHT], [y, y], color=GREEN, linewidth=1 * PT,
                    linestyle=(0, (1, 2)), dash_capstyle="butt", solid_joinstyle="bevel")
        xs, ys = stepped(levels[slot], base)
        ax.plot(xs, ys, color="black", linewidth=3 * PT, solid_capstyle="round",
                solid_joinstyle="round")
        ax.text(TEXT_LEFT, FIRST_NAME_TOP + SLOT_PITCH * slot, names[slot][:12], **text)
    ax.text(TEXT_LEFT, HEADING_TOP, heading, **text)
    if tick_spacing > 0:
        ax.text(TEXT_LEFT, TICK_LINE_TOP,
                f"Tick frequency:{tick_spacing} samples @ 100ns/sample ={tick_spacing * 100}ns", **text)
    fig.savefig(out, format="pdf")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("captures", nargs="+")
    parser.add_argument("--out-dir", default=".")
    parser.add_argument("--tick-marks", type=int, default=10)
    args = parser.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    start = time.perf_counter()
    for path in args.captures:
        name = os.path.splitext(os.path.basename(path))[0] + ".pdf"
        draw_page(path, os.path.join(args.out_dir, name), args.tick_marks)
    elapsed = time.perf_counter() - start
    print(f"matplotlib {matplotlib.__version__}: {len(args.captures)} pages in {elapsed:.2f} s, "
          f"{1000 * elapsed / len(args.captures):.1f} ms per page", file=sys.stderr)


if __name__ == "__main__":
    main()
