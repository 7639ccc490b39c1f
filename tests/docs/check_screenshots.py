#!/usr/bin/python3
# Each picture the manual links, taken again: it shows the window the committed one shows
# (the title kept in the PNG) at about its size. Pixels differ with fonts; they are not compared.
# Usage: check_screenshots.py <docs folder> <folder of the new pictures>
import pathlib, re, struct, sys


def title_and_size(path):
    data, at, title = path.read_bytes(), 8, None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind in (b"tEXt", b"iTXt") and body.startswith(b"Title\0"):
            title = body[6:].decode("latin-1") if kind == b"tEXt" else body.split(b"\0", 5)[5].decode()
        at += 12 + length
    return (title, *struct.unpack(">II", data[16:24]))


docs, taken = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
linked = {name for page in (docs / "ja").glob("*.md")
          for name in re.findall(r"!\[[^\]]*\]\(\.\./images/([^)\s]+)\)", page.read_text())}
faults = []
for name in sorted(linked):
    if not (taken / name).exists():
        faults.append(f"{name}: not taken")
        continue
    (want, w, h), (got, gw, gh) = title_and_size(docs / "images" / name), title_and_size(taken / name)
    if got != want or abs(gw - w) > w // 10 or abs(gh - h) > h // 10:
        faults.append(f"{name}: {got!r} {gw}x{gh}, not {want!r} about {w}x{h}")
print("\n".join(faults) or f"{len(linked)} pictures taken as the manual shows them")
sys.exit(1 if faults or not linked else 0)
