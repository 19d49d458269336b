#!/usr/bin/env python3
"""Runs every program test as the test suite does and records what it showed: the echo
output, the exit code and a hash of chosen frames. Two snapshots of different builds are
compared with `diff -r`; a change that should not alter behaviour must leave them equal.

  tools/snapshot_outputs.py ENGINE ZTC OUTDIR
"""
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

FRAMES = [1, 2, 3, 4, 5, 8, 10, 15, 20, 30, 50, 100, 200, 500, 1000]


def run_program(engine, ztc, program, work):
    folder, name = os.path.split(program)
    stem = name[:-4]
    for f in os.listdir(folder):
        if f.startswith(stem + ".") and f != stem + ".media":
            shutil.copy(os.path.join(folder, f), work)
    if os.path.exists(os.path.join(work, stem + ".ini")):
        os.rename(os.path.join(work, stem + ".ini"), os.path.join(work, "SETUP.INI"))
    args = []
    if os.path.exists(os.path.join(folder, stem + ".args")):
        args = shlex.split(open(os.path.join(folder, stem + ".args")).read())
    if os.path.exists(os.path.join(folder, stem + ".input")):
        args = ["--input", stem + ".input"] + args
    dumps = os.path.join(work, "dumps")
    os.mkdir(dumps)
    for n in FRAMES:
        args += ["--dump-frame", "%d:%s/%d.bmp" % (n, dumps, n)]
    command = [engine, "--headless", "--echo", "--virtual-clock"] + args + [os.path.join(work, name)]
    media = os.path.join(folder, stem + ".media")
    if os.path.isdir(media):
        packed = os.path.join(work, stem)
        subprocess.run([ztc, "--pack", program, "--media", media, "--engine", engine, "-o", packed], check=True)
        command = [packed, "--headless", "--echo", "--virtual-clock"] + args
    r = subprocess.run(command, cwd=work, capture_output=True, timeout=120)
    lines = [r.stdout.decode("latin-1"), "exit %d\n" % r.returncode]
    for n in FRAMES:
        path = os.path.join(dumps, "%d.bmp" % n)
        if os.path.exists(path):
            lines.append("frame %d %s\n" % (n, hashlib.sha256(open(path, "rb").read()).hexdigest()))
    return "".join(lines)


def main():
    engine, ztc, out = [os.path.abspath(a) for a in sys.argv[1:4]]
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "programs")
    os.makedirs(out, exist_ok=True)
    for folder, _, files in sorted(os.walk(root)):
        for f in sorted(files):
            if not f.endswith(".ztb"):
                continue
            program = os.path.join(folder, f)
            with tempfile.TemporaryDirectory() as work:
                text = run_program(engine, ztc, program, work)
            name = os.path.relpath(program, root).replace("/", "__")[:-4] + ".txt"
            with open(os.path.join(out, name), "w") as o:
                o.write(text)


if __name__ == "__main__":
    main()
