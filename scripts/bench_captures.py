#!/usr/bin/env python3
"""Writes capture files for the page benchmarks.

  bench_captures.py busy FILE      every channel changes at every sample
  bench_captures.py varied DIR N   N captures, from quiet to busy (fixed seed)
"""
import os
import random
import sys

HEADER = [
    "ZelmarProgramVersion,2.31",
    "Captured 2024-03-19 16:05:12",
    "Sample rate 4 MHz, 2048 samples",
    "Comment: {comment}",
    ",".join(f"CH{c}" for c in range(16)),
]


def write(path, comment, rows):
    lines = [line.format(comment=comment) for line in HEADER]
    lines += [",".join(str(v) for v in row) for row in rows]
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def busy_rows():
    return [[(r + c) % 2 for c in range(16)] for r in range(2048)]


def varied_rows(rng):
    # Each channel toggles with its own chance per sample: some never
    # change (dotted guide lines), some are clocks, most are in between.
    chances = [rng.choice([0.0, 0.0, 0.01, 0.05, 0.2, 0.5, 1.0]) for _ in range(16)]
    levels = [rng.randint(0, 1) for _ in range(16)]
    rows = []
    for _ in range(2048):
        for c in range(16):
            if chances[c] and rng.random() < chances[c]:
                levels[c] ^= 1
        rows.append(list(levels))
    return rows


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "busy":
        write(sys.argv[2], "busy", busy_rows())
    elif len(sys.argv) == 4 and sys.argv[1] == "varied":
        os.makedirs(sys.argv[2], exist_ok=True)
        rng = random.Random(10)
        for i in range(int(sys.argv[3])):
            write(os.path.join(sys.argv[2], f"capture{i:03d}.csv"), f"varied {i}", varied_rows(rng))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
