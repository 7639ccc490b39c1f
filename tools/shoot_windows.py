#!/usr/bin/python3
# Walks the real tool through the windows the manual shows, as a user would, and saves a
# picture of each: shoot_windows.py <xshot> <out folder> <recipient file> <smtp port>
# The tool runs on $DISPLAY with the sample store; buttons are found by their accessible
# names on the accessibility bus and clicked with the mouse, keys are typed with xdotool.
import subprocess
import sys
import time

import pyatspi

XSHOT, OUT, RECIPIENT_FILE, SMTP_PORT = sys.argv[1:5]
MAIN = "Fendrival 設定画面"


def until(what, seconds=30, must=True):
    end = time.time() + seconds
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    if must:
        sys.exit("timed out: " + what.__doc__)
    return None


def xdo(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True,
                          text=True).stdout.strip()


def the_app():
    """the tool on the accessibility bus"""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Fendrival Setup":
            return app
    return None


def find(root, role, name):
    if root is None:
        return None
    if root.name == name and root.getRoleName() == role:
        return root
    for i in range(root.childCount):
        found = find(root.getChildAtIndex(i), role, name)
        if found is not None:
            return found
    return None


def top(title):
    """Of the tool's windows with this title, the one opened last."""
    app = the_app()
    last = None
    for i in range(app.childCount):
        child = app.getChildAtIndex(i)
        if child is not None and child.name == title:
            last = child
    return last


def click(acc):
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdo("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")
    time.sleep(0.6)


def press(window_title, role, name):
    """Clicks the named control of the window with that title."""
    control = until(lambda: find(top(window_title), role, name), 10)
    click(control)


def window(title, seconds=60, must=True):
    """the newest visible window with the title"""
    def visible():
        try:
            out = xdo("search", "--onlyvisible", "--name", "^" + title + "$")
        except subprocess.CalledProcessError:
            return None
        return out.split()[-1] if out else None
    visible.__doc__ = "the window " + title
    wid = until(visible, seconds, must)
    if wid:
        time.sleep(1.2)  # drawn in full, fonts and all
    return wid


def gone(title, seconds=5):
    def closed():
        try:
            return not xdo("search", "--onlyvisible", "--name", "^" + title + "$")
        except subprocess.CalledProcessError:
            return True
    closed.__doc__ = "the window " + title + " to close"
    return until(closed, seconds, must=False)


def close(title, *keys):
    """Closes the window with the keys, again if it stays."""
    for _ in range(3):
        key(*keys)
        if gone(title):
            return
    sys.exit(f"the window {title} did not close")


def open_by(window_title, name, opens):
    """Presses the named button until the window it opens comes: on a busy machine a click
    can land while the window under it is still settling."""
    for _ in range(3):
        press(window_title, "push button", name)
        wid = window(opens, 20, must=False)
        if wid:
            return wid
    sys.exit(f"timed out: {name} did not open {opens}")


def shot(wid, name):
    # xwininfo tells where the window's inside really is; the frame lies around it.
    info = subprocess.run(["xwininfo", "-id", wid], check=True, capture_output=True,
                          text=True).stdout
    geo = {}
    for line in info.splitlines():
        label, _, value = line.strip().partition(":")
        geo[label] = value.strip()
    extents = subprocess.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"],
                             capture_output=True, text=True).stdout
    left = right = topx = bottom = 0
    if "=" in extents:
        left, right, topx, bottom = (int(v) for v in extents.split("=")[1].split(","))
    x = int(geo["Absolute upper-left X"]) - left
    y = int(geo["Absolute upper-left Y"]) - topx
    w = int(geo["Width"]) + left + right
    h = int(geo["Height"]) + topx + bottom
    title = xdo("getwindowname", wid)
    subprocess.run([XSHOT, f"{OUT}/{name}", str(x), str(y), str(w), str(h), title],
                   check=True)
    print(f"{name}: {title} ({w}x{h})", flush=True)


def key(*keys):
    xdo("key", "--delay", "120", *keys)
    time.sleep(0.6)


def type_text(text):
    xdo("type", "--delay", "40", text)
    time.sleep(0.4)


def main():
    until(the_app)
    main_id = window(MAIN)
    xdo("windowactivate", "--sync", main_id)
    # The first project, picked from the list as a user picks it.
    press(MAIN, "combo box", "プロジェクト名")
    key("Home", "Return")
    time.sleep(1.5)
    shot(main_id, "main-window.png")

    # The recipient file read into the list: the report, then 追加.
    open_by(MAIN, "ファイルから読込…", "宛先ファイルを開く")
    type_text(RECIPIENT_FILE)
    key("Return")
    shot(window("ZELMonitor"), "import-report.png")
    press("ZELMonitor", "push button", "追加")
    if not gone("ZELMonitor"):
        sys.exit("the import report did not close")

    # A repeat and a full-width line typed at the end, then 宛先チェック.
    press(MAIN, "text", "ﾒｰﾙ送信先ﾘｽﾄ")
    key("ctrl+End", "Return")
    type_text("Taro.Yamada@example.jp")
    key("Return")
    type_text("ｋｅｉｋｏ．ｍｏｒｉ＠ｅｘａｍｐｌｅ．ｊｐ")
    shot(open_by(MAIN, "宛先チェック", "ZELMonitor"), "recipient-check.png")
    close("ZELMonitor", "Escape")

    shot(open_by(MAIN, "配信停止リスト…", "配信停止リスト"), "optout.png")
    close("配信停止リスト", "Escape")

    shot(open_by(MAIN, "プレビュー", "メールのプレビュー"), "preview.png")
    close("メールのプレビュー", "Escape")

    test_id = open_by(MAIN, "テスト送信…", "テスト送信")
    key("ctrl+a")
    type_text("tanto@example.jp")
    shot(test_id, "test-mail.png")
    close("テスト送信", "Escape")

    shot(open_by(MAIN, "送信前チェック…", "送信前チェック"), "precheck.png")
    close("送信前チェック", "Escape")

    # The connection test against the local server: the result box.
    press(MAIN, "text", "SMTPサーバーアドレス")
    key("ctrl+a")
    type_text("localhost")
    press(MAIN, "text", "ポート")
    key("ctrl+a")
    type_text(SMTP_PORT)
    shot(open_by(MAIN, "接続テスト", "ZELMonitor"), "smtp-test.png")
    close("ZELMonitor", "Return")

    shot(open_by(MAIN, "送信実行用バッチファイル出力", "ZELMonitor"), "batch-file.png")
    close("ZELMonitor", "Return")

    # F1 in the recipient list: the manual at its page.
    press(MAIN, "text", "ﾒｰﾙ送信先ﾘｽﾄ")
    key("F1")
    shot(window("Fendrival 使い方"), "manual-window.png")


main()
