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


def until(what, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("timed out: " + what.__doc__)


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


def window(title, after=()):
    """the newest visible window with the title (not one of `after`)"""
    def visible():
        try:
            out = xdo("search", "--onlyvisible", "--name", "^" + title + "$")
        except subprocess.CalledProcessError:
            return None
        ids = [w for w in out.split() if w not in after]
        return ids[-1] if ids else None
    visible.__doc__ = "the window " + title
    wid = until(visible)
    time.sleep(1.2)  # drawn in full, fonts and all
    return wid


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
    print(f"{name}: {title} ({w}x{h})")


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
    press(MAIN, "push button", "ファイルから読込…")
    window("宛先ファイルを開く")
    type_text(RECIPIENT_FILE)
    key("Return")
    shot(window("ZELMonitor"), "import-report.png")
    press("ZELMonitor", "push button", "追加")

    # A repeat and a full-width line typed at the end, then 宛先チェック.
    press(MAIN, "text", "ﾒｰﾙ送信先ﾘｽﾄ")
    key("ctrl+End", "Return")
    type_text("Taro.Yamada@example.jp")
    key("Return")
    type_text("ｋｅｉｋｏ．ｍｏｒｉ＠ｅｘａｍｐｌｅ．ｊｐ")
    press(MAIN, "push button", "宛先チェック")
    shot(window("ZELMonitor"), "recipient-check.png")
    key("Escape")

    press(MAIN, "push button", "配信停止リスト…")
    shot(window("配信停止リスト"), "optout.png")
    key("Escape")

    press(MAIN, "push button", "プレビュー")
    shot(window("メールのプレビュー"), "preview.png")
    key("Escape")

    press(MAIN, "push button", "テスト送信…")
    test_id = window("テスト送信")
    key("ctrl+a")
    type_text("tanto@example.jp")
    shot(test_id, "test-mail.png")
    key("Escape")

    press(MAIN, "push button", "送信前チェック…")
    shot(window("送信前チェック"), "precheck.png")
    key("Escape")

    # The connection test against the local server: the result box.
    press(MAIN, "text", "SMTPサーバーアドレス")
    key("ctrl+a")
    type_text("localhost")
    press(MAIN, "text", "ポート")
    key("ctrl+a")
    type_text(SMTP_PORT)
    press(MAIN, "push button", "接続テスト")
    shot(window("ZELMonitor"), "smtp-test.png")
    key("Return")

    press(MAIN, "push button", "送信実行用バッチファイル出力")
    shot(window("ZELMonitor"), "batch-file.png")
    key("Return")

    # F1 in the recipient list: the manual at its page.
    press(MAIN, "text", "ﾒｰﾙ送信先ﾘｽﾄ")
    key("F1")
    shot(window("Fendrival 使い方"), "manual-window.png")


main()
