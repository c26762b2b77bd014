#!/usr/bin/env python3
"""Writes COUNT varied capture files into FOLDER: counters, random activity
of several densities, quiet captures, a serial-like burst, and the page where
every channel changes at every sample.  Usage: make-captures.py FOLDER [COUNT]"""
import os
import random
import sys

ROWS = 2048


def levels(kind, seed):
    rng = random.Random(seed)
    if kind == "counter":
        period = rng.choice([1, 2, 4, 8, 16])
        return lambda r, c: (r // period >> c) & 1 if c < 8 else 0
    if kind == "random":
        p = rng.choice([0.005, 0.02, 0.1, 0.3])
        state = [rng.randint(0, 1) for _ in range(16)]
        rows = []
        for _ in range(ROWS):
            state = [s ^ (rng.random() < p) for s in state]
            rows.append(state)
        return lambda r, c: rows[r][c]
    if kind == "steady":
        high = rng.randrange(16)
        return lambda r, c: 1 if c == high else 0
    if kind == "serial":
        start = rng.randint(100, 400)
        data = rng.getrandbits(64)
        def serial(r, c):
            busy = start <= r < start + 1024
            if c == 0:
                return 0 if busy else 1
            if c == 1:
                return ((r - start) >> 3) & 1 if busy else 0
            if c in (2, 3):
                return (data >> (((r - start) >> 4) % 64)) & 1 if busy else 0
            return 0
        return serial
    return lambda r, c: (r + c) & 1          # "worst": every channel, every sample


def write(path, kind, seed):
    level = levels(kind, seed)
    names = ",".join(f'"S{seed}_{c}"' if c % 3 == 0 else f"CH{c}" for c in range(16))
    lines = [
        "ZelmarProgramVersion,2.31",
        f"Captured 2024-04-{1 + seed % 28:02d} 10:{seed % 60:02d}:00",
        "Sample rate 1 MHz, 2048 samples, 16 channels",
        f"Comment: {kind} capture number {seed}",
        names,
    ]
    lines += [",".join(str(level(r, c)) for c in range(16)) for r in range(ROWS)]
    with open(path, "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    os.makedirs(folder, exist_ok=True)
    kinds = ["counter", "random", "steady", "serial", "random", "counter", "random", "worst"]
    for i in range(count):
        kind = kinds[i % len(kinds)]
        write(os.path.join(folder, f"capture-{i:03d}-{kind}.csv"), kind, i)


if __name__ == "__main__":
    main()
