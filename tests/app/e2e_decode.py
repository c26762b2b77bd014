#!/usr/bin/env python3
"""Decoded rows read back from the converter's PDF with pdftotext agree with
sigrok-cli decoding the same samples: SPI in modes 0 and 3, UART at two baud
rates with parity, I2C with an address and data, and the example capture.

    e2e_decode.py ZELMAR_PDF EXAMPLES_DIR

Exits 77 (skipped) when this build cannot decode."""

import os
import re
import subprocess
import sys
import tempfile

ZELMAR_PDF, EXAMPLES = sys.argv[1], sys.argv[2]
SAMPLES = 2048
HEX = re.compile(r"\b[0-9A-F]{2}\b")


class Wave:
    """Sixteen channels' levels, built up in time."""

    def __init__(self):
        self.now = [0] * 16
        self.rows = []

    def set(self, channel, level):
        self.now[channel] = level
        return self

    def until(self, sample):
        while len(self.rows) < sample:
            self.rows.append(list(self.now))
        return self

    def hold(self, samples):
        return self.until(len(self.rows) + samples)


def spi(mode, out, inp):
    """CS# 0, CLK 1, MOSI 2, MISO 3; 4 samples a half clock."""
    cpol = mode >> 1
    w = Wave().set(0, 1).set(1, cpol).hold(30).set(0, 0).hold(4)
    for byte_out, byte_in in zip(out, inp):
        for shift in range(7, -1, -1):
            o, i = (byte_out >> shift) & 1, (byte_in >> shift) & 1
            if mode & 1:
                w.set(1, 1 - cpol).set(2, o).set(3, i).hold(4).set(1, cpol).hold(4)
            else:
                w.set(2, o).set(3, i).hold(4).set(1, 1 - cpol).hold(4).set(1, cpol)
        w.hold(6)
    return w.hold(4).set(0, 1)


def uart(per_bit, parity, data):
    """RX on channel 5: start, 8 data bits from the least significant, parity, stop."""
    w = Wave().set(5, 1).hold(60)
    for byte in data:
        start = len(w.rows)
        bits = [0] + [(byte >> b) & 1 for b in range(8)]
        bits += [(sum(bits) + (parity == "odd")) % 2, 1]
        for n, bit in enumerate(bits):
            w.set(5, bit).until(start + round((n + 1) * per_bit))
        w.hold(20)
    return w


def i2c(data):
    """SCL 6, SDA 7; every byte acknowledged."""
    w = Wave().set(6, 1).set(7, 1).hold(30).set(7, 0).hold(8).set(6, 0).hold(8)
    for byte in data:
        for bit in range(9):
            level = (byte >> (7 - bit)) & 1 if bit < 8 else 0
            w.set(7, level).hold(8).set(6, 1).hold(8).set(6, 0)
    return w.hold(8).set(7, 0).hold(8).set(6, 1).hold(8).set(7, 1)


def write_capture(path, wave):
    wave.until(SAMPLES)
    with open(path, "w") as f:
        f.write("ZelmarProgramVersion,2.31\nDecoded\nrows\nread back\n")
        f.write(",".join(f"D{c}" for c in range(16)) + "\n")
        for row in wave.rows[:SAMPLES]:
            f.write(",".join(map(str, row)) + "\n")


def capture_rows(path):
    with open(path, newline="") as f:
        lines = f.read().splitlines()[5 : 5 + SAMPLES]
    return [[int(float(v)) for v in line.split(",")[:16]] for line in lines]


def sigrok(rows, rate, stack_text, row_id, folder):
    """The hex bytes sigrok-cli decodes in one annotation row, in order."""
    binary = os.path.join(folder, "samples.bin")
    with open(binary, "wb") as f:
        for row in rows:
            f.write(sum(level << c for c, level in enumerate(row)).to_bytes(2, "little"))
    decoder = stack_text.split(":")[0]
    out = subprocess.run(
        ["sigrok-cli", "-I", f"binary:numchannels=16:samplerate={rate}", "-i", binary,
         "-P", stack_text, "-A", f"{decoder}={row_id}"],
        check=True, capture_output=True, text=True).stdout
    return [b for line in out.splitlines() for b in HEX.findall(line.split(":", 1)[1])]


def page_rows(pdf):
    """Each row of the page by its name: the words right of the names, in order."""
    html = subprocess.run(["pdftotext", "-bbox", pdf, "-"], check=True,
                          capture_output=True, text=True).stdout
    words = [(float(x), (float(y0) + float(y1)) / 2, t) for x, y0, y1, t in re.findall(
        r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>',
        html)]
    names = {}
    for x, y, t in words:
        if x < 170:  # the name column ends at the traces' left edge, 180 points in
            names.setdefault(round(y, 1), []).append(t)
    rows = {" ".join(ts): [] for ts in names.values()}
    for x, y, t in sorted(words):
        if x >= 170:
            near = min(names, key=lambda ny: abs(ny - y))
            if abs(near - y) < 10:
                rows[" ".join(names[near])].append(t)
    return rows


def main():
    if subprocess.run([ZELMAR_PDF, "--list-decoders"], capture_output=True).returncode != 0:
        print("skipped: this build cannot decode")
        return 77
    # name, wave or example, --decode, sigrok-cli's -P, period (ns), {page row: sigrok row}
    cases = [
        ("spi mode 0", spi(0, [0x9F, 0x01, 0x5A], [0xEF, 0x40, 0xC3]),
         "spi:clk=D1:mosi=D2:miso=D3:cs=D0", "spi:clk=1:mosi=2:miso=3:cs=0", "100",
         {"SPI MOSI": "mosi-data", "SPI MISO": "miso-data"}),
        ("spi mode 3", spi(3, [0x03, 0x00, 0x10], [0x00, 0xA5, 0x7E]),
         "spi:clk=1:mosi=2:miso=3:cs=0:cpol=1:cpha=1",
         "spi:clk=1:mosi=2:miso=3:cs=0:cpol=1:cpha=1", "100",
         {"SPI MOSI": "mosi-data", "SPI MISO": "miso-data"}),
        ("uart 9600 even", uart(1e5 / 9600, "even", b"Hi!\x00\xff"),
         "uart:rx=5:baudrate=9600:parity=even", "uart:rx=5:baudrate=9600:parity=even", "10000",
         {"UART RX": "rx-data"}),
        ("uart 115200 odd", uart(1e6 / 115200, "odd", [0x00, 0xA5, 0x3C, 0x81]),
         "uart:rx=5:baudrate=115200:parity=odd", "uart:rx=5:baudrate=115200:parity=odd", "1000",
         {"UART RX": "rx-data"}),
        ("i2c", i2c([0xA0, 0x12, 0x34]), "i2c:scl=6:sda=7", "i2c:scl=6:sda=7", "1000",
         {"I²C Address": "addr-data"}),
        ("serial.csv", os.path.join(EXAMPLES, "serial.csv"),
         "spi:clk=SCLK:mosi=MOSI:miso=MISO:cs=CS#", "spi:clk=1:mosi=2:miso=3:cs=0", "250",
         {"SPI MOSI": "mosi-data", "SPI MISO": "miso-data"}),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, wave, ours, theirs, period, rows in cases:
            capture = wave if isinstance(wave, str) else os.path.join(folder, "capture.csv")
            if not isinstance(wave, str):
                write_capture(capture, wave)
            pdf = os.path.join(folder, "page.pdf")
            subprocess.run([ZELMAR_PDF, capture, "-o", pdf, "--decode", ours,
                            "--resolution", period], check=True)
            shown = page_rows(pdf)
            rate = round(1e9 / float(period))
            for page_row, sigrok_row in rows.items():
                expected = sigrok(capture_rows(capture), rate, theirs, sigrok_row, folder)
                got = [b for t in shown.get(page_row, []) for b in HEX.findall(t)]
                verdict = "ok" if got == expected and expected else "FAILED"
                failed += verdict != "ok"
                print(f"{verdict}: {name}, {page_row}: page {got}, sigrok-cli {expected}")
            if name == "serial.csv" and shown.get("SPI MOSI", [""])[0] != "9F":
                failed += 1
                print("FAILED: serial.csv does not begin with 9F")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
