#!/usr/bin/env bash
# Starts the tool on a virtual display with its own session and accessibility bus, sets
# the desktop's accessibility flag before or after the start, and reads and sets the
# recipient list and the mail body through AT-SPI, as a screen reader or dictation would.
# Usage: atspi_fields_test.sh <tool> <sample store maker> before|after IsEnabled|ScreenReaderEnabled
set -u
tool=$1 make_store=$2 when=$3 flag=$4
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
if [ -z "${FENDRIVAL_IN_SESSION:-}" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$tool" "$work/fendrival-setup" && "$make_store" "$work" >/dev/null || exit 1
    FENDRIVAL_IN_SESSION=1 XDG_RUNTIME_DIR=$work dbus-run-session -- \
        "$0" "$work/fendrival-setup" "$make_store" "$when" "$flag" 2>&1 |
        grep -v -e "Failed to set fd limit" -e "Activating service" -e "Successfully activated" \
            -e "SpiRegistry daemon"
    exit "${PIPESTATUS[0]}"
fi

source "$top/scripts/lib-xvfb"
app=
launcher=
finish() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$launcher" ] && kill "$launcher" 2>/dev/null && wait "$launcher" 2>/dev/null
    stop_xvfb
}
trap finish EXIT
start_xvfb || exit 1
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
set_flag() {
    for _ in $(seq 50); do
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.freedesktop.DBus.Properties.Set string:org.a11y.Status "string:$flag" \
            variant:boolean:true >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "cannot set $flag on the accessibility bus" >&2
    return 1
}
[ "$when" = before ] && { set_flag || exit 1; }
# On the display: the test run's offscreen platform has no accessibility bridge.
QT_QPA_PLATFORM=xcb "$tool" &
app=$!
sleep 3
[ "$when" = after ] && { set_flag || exit 1; }
timeout 90 /usr/bin/python3 "$here/atspi_fields.py" "taro.yamada@example.jp" "会員の皆さま"
