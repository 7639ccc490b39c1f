#!/usr/bin/python3
# As an assistive tool meets the window through AT-SPI: the recipient list and the mail
# body can be read and set. Picks the first project first, so the fields hold its texts.
# Usage: atspi_fields.py <the list's first line> <the body's first line>
import subprocess
import sys
import time

import pyatspi

RECIPIENTS = "ﾒｰﾙ送信先ﾘｽﾄ"
BODY = "ﾒｰﾙ本文"


def nodes(acc, out):
    out.append(acc)
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            nodes(child, out)
    return out


def until(what, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("timed out: " + what.__doc__)


def the_app():
    """the tool on the accessibility bus"""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Fendrival Setup":
            return app
    return None


def check_field(field, expect_start):
    if field is None:
        sys.exit("field not found")
    interfaces = pyatspi.listInterfaces(field)
    for needed in ("Text", "EditableText"):
        if needed not in interfaces:
            sys.exit(f"{field.name}: no {needed} interface, only {interfaces}")
    text = field.queryText()
    before = text.characterCount
    if not text.getText(0, before).startswith(expect_start):
        sys.exit(f"{field.name}: reads {text.getText(0, 60)!r}, not {expect_start!r}")
    added = "at-spi@example.jp\n"
    if not field.queryEditableText().insertText(before, added, len(added)):
        sys.exit(f"{field.name}: insertText refused")
    after = text.getText(before, text.characterCount)
    if after != added:
        sys.exit(f"{field.name}: set {added!r}, reads back {after!r}")
    # Japanese after ASCII: counted in characters, not in the bytes that hold them.
    japanese = "髙橋①様\n"
    end = before + len(added)
    field.queryEditableText().insertText(end, japanese, len(japanese))
    count = text.characterCount
    if count != end + len(japanese) or text.getText(end, count) != japanese:
        sys.exit(f"{field.name}: after {japanese!r} counts {count}, not {end + len(japanese)}, "
                 f"and reads {text.getText(end, count)!r}")
    print(f"{field.name}: read {before} characters, set and read back {len(added)}, "
          f"then {len(japanese)} of Japanese")


def main():
    first_line, body_line = sys.argv[1], sys.argv[2]
    app = until(the_app)
    everything = nodes(app, [])
    named = {(a.getRoleName(), a.name): a for a in everything}
    combo = named.get(("combo box", "プロジェクト名"))
    if combo is None:
        sys.exit("project list not found")
    # Picked as a user does: the list opened where the screen reader says it is, then
    # its first project.
    box = combo.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)
    time.sleep(0.5)
    subprocess.run(["xdotool", "key", "Home", "Return"], check=True)
    recipients = named.get(("text", RECIPIENTS))

    def loaded():
        """the first project's recipients"""
        return recipients.queryText().characterCount > 0
    until(loaded)
    check_field(recipients, first_line)
    check_field(named.get(("text", BODY)), body_line)


main()
