#!/usr/bin/env python3
"""The README's pictures: frames of the walk example (the showcase scripts/demo.sh runs),
played headless by its input script with the virtual clock, so every run gives the same
pixels. Writes docs/walk-*.png:

    python3 scripts/readme_pictures.py [--engine build/zentropia]

With --check FOLDER it writes the frames into FOLDER instead and compares their pixels with
the committed pictures; it fails, naming this script, when they differ (the pictures are
stale). Only Python's standard library is used: BMP and PNG are read and written here.
"""

import argparse
import os
import struct
import subprocess
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Frame number and picture name.
FRAMES = [(110, "walk-grove"), (330, "walk-wall"), (1525, "walk-hollow")]


def read_bmp(path):
    """A bottom-up 24-bit BMP as (width, height, rows of RGB bytes, top row first)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(path + ": not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(path + ": not 24 bits per pixel")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        bgr = data[start:start + width * 3]
        row = bytearray(width * 3)
        row[0::3], row[1::3], row[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(row))
    return width, abs(height), rows


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(png_chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(png_chunk(b"IEND", b""))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    """An 8-bit RGB PNG, not interlaced, any row filter, as (width, height, rows)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 2 or interlace != 0:
        raise ValueError(path + ": not an 8-bit RGB PNG")
    raw = zlib.decompress(idat)
    stride, rows, previous = width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride if kind else 0):
            left = row[i - 3] if i >= 3 else 0
            up = previous[i]
            corner = previous[i - 3] if i >= 3 else 0
            predict = [0, left, up, (left + up) // 2, paeth(left, up, corner)][kind]
            row[i] = (row[i] + predict) & 255
        rows.append(bytes(row))
        previous = row
    return width, height, rows


def dump_frames(engine, folder):
    """Plays the walk to the last frame wanted and writes each frame wanted as NAME.bmp."""
    command = [engine, "--headless", "--virtual-clock", "--input", "examples/walk.input",
               "--frames", str(FRAMES[-1][0])]
    for number, name in FRAMES:
        command += ["--dump-frame", "%d:%s" % (number, os.path.join(folder, name + ".bmp"))]
    command.append("examples/walk.ztb")
    run = subprocess.run(command, cwd=ROOT, capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        sys.exit("the walk did not run: exit %d\n%s" % (run.returncode, run.stderr))


def differing_pixels(a, b):
    if a[:2] != b[:2]:
        return a[0] * a[1]
    count = 0
    for row_a, row_b in zip(a[2], b[2]):
        if row_a != row_b:
            count += sum(1 for i in range(0, len(row_a), 3) if row_a[i:i + 3] != row_b[i:i + 3])
    return count


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--engine", default=os.path.join(ROOT, "build", "zentropia"))
    parser.add_argument("--check", metavar="FOLDER", help="compare fresh frames made in FOLDER with docs/")
    args = parser.parse_args()
    docs = os.path.join(ROOT, "docs")
    folder = args.check or docs
    os.makedirs(folder, exist_ok=True)
    dump_frames(os.path.abspath(args.engine), os.path.abspath(folder))
    stale = []
    for _, name in FRAMES:
        bmp = os.path.join(folder, name + ".bmp")
        frame = read_bmp(bmp)
        if args.check:
            committed = os.path.join(docs, name + ".png")
            if not os.path.exists(committed):
                stale.append("%s is missing" % committed)
                continue
            differ = differing_pixels(frame, read_png(committed))
            if differ:
                stale.append("%s: %d pixels differ from the walk's frame" % (committed, differ))
        else:
            write_png(os.path.join(docs, name + ".png"), *frame)
            os.remove(bmp)
    if stale:
        sys.exit("\n".join(stale) + "\nThe README's pictures are stale: run scripts/readme_pictures.py and commit docs/.")


if __name__ == "__main__":
    main()
