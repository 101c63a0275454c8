#!/usr/bin/env python3
"""orlentis-console-shots draws every expected picture, none of them blank, keeps the program
folder --home names, and refuses a --home that already holds something.

Usage: console_shots_test.py TOOL
"""
import pathlib
import struct
import subprocess
import sys
import tempfile
import zlib

EXPECTED = {
    "main-window-welcome.png", "main-window-fallback.png", "login-open-console.png",
    "login-close-program.png", "notice.png", "console-monitor.png", "console-preferences.png",
    "console-log.png", "tray-icons.png", "console-account.png", "user-add.png",
    "user-modify.png", "group-list-dialog.png", "group-dialog.png", "add-site-dialog.png",
}
# A picture of one colour decompresses to a handful of byte values; any drawn window to far more.
MIN_DISTINCT_BYTES = 32


def pixel_bytes(path):
    data = path.read_bytes()
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        raise AssertionError(f"{path.name} is not a PNG file")
    position, image = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        if kind == b"IDAT":
            image += data[position + 8:position + 8 + length]
        position += 12 + length
    return zlib.decompress(image)


def main():
    tool = sys.argv[1]
    faults = []
    with tempfile.TemporaryDirectory() as scratch:
        out = pathlib.Path(scratch) / "pictures"
        home = pathlib.Path(scratch) / "home"
        run = subprocess.run([tool, "--out", str(out), "--home", str(home)],
                             capture_output=True, text=True, timeout=120)
        if run.returncode != 0:
            print(f"FAILED: exit status {run.returncode}: {run.stderr}")
            return 1
        written = {pathlib.Path(line).name for line in run.stdout.split()}
        drawn = {path.name for path in out.iterdir()}
        if written != EXPECTED or drawn != EXPECTED:
            faults.append(f"pictures {sorted(drawn)}, reported {sorted(written)}")
        for name in sorted(EXPECTED & drawn):
            distinct = len(set(pixel_bytes(out / name)))
            if distinct < MIN_DISTINCT_BYTES:
                faults.append(f"{name} is blank ({distinct} distinct bytes)")
        for kept in ("Setting.ini", "English.lng", "OrlentisDB.db"):
            if not (home / kept).is_file():
                faults.append(f"--home lost {kept}")

        again = subprocess.run([tool, "--out", str(out), "--home", str(home)],
                               capture_output=True, text=True, timeout=120)
        if again.returncode == 0 or "is not empty" not in again.stderr:
            faults.append(f"a used --home was accepted: {again.returncode} {again.stderr}")
    for fault in faults:
        print(f"FAILED: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
