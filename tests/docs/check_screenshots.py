#!/usr/bin/python3
# The pictures `make screenshots` takes against those the manual links: each linked picture
# is taken, shows the window the committed one shows (its title, kept in the PNG) and has
# about its size. Pixels are not compared: fonts and the sample's dates may differ.
# Usage: check_screenshots.py <docs folder> <folder of the new pictures>
import pathlib
import re
import struct
import sys


def title_and_size(path):
    data = path.read_bytes()
    width, height = struct.unpack(">II", data[16:24])
    at, title = 8, None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"tEXt" and body.startswith(b"Title\0"):
            title = body[6:].decode("latin-1")
        if kind == b"iTXt" and body.startswith(b"Title\0"):
            title = body.split(b"\0", 5)[5].decode("utf-8")
        at += 12 + length
    return title, width, height


docs, taken = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
linked = set()
for page in (docs / "ja").glob("*.md"):
    linked |= set(re.findall(r"!\[[^\]]*\]\(\.\./images/([^)\s]+)\)", page.read_text()))
faults = []
for name in sorted(linked):
    if not (taken / name).exists():
        faults.append(f"{name}: not taken")
        continue
    want, got = title_and_size(docs / "images" / name), title_and_size(taken / name)
    if got[0] != want[0]:
        faults.append(f"{name}: window {got[0]!r}, not {want[0]!r}")
    if abs(got[1] - want[1]) > want[1] // 10 or abs(got[2] - want[2]) > want[2] // 10:
        faults.append(f"{name}: {got[1]}x{got[2]}, not about {want[1]}x{want[2]}")
print("\n".join(faults) or f"{len(linked)} pictures taken as the manual shows them")
sys.exit(1 if faults or not linked else 0)
