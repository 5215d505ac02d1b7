#!/usr/bin/env bash
# Runs the real program under Xvfb with the accessibility bus and meets it as a screen reader
# does (screenreader.py). Exits 77 (skipped) only when no accessibility bus can be started.
set -euo pipefail
HERE=$(dirname "$(realpath "$0")")
. "$HERE/../tools/xsession.sh"
LAUNCHER=/usr/libexec/at-spi-bus-launcher
skip() { echo "SKIP: $*"; exit 77; }
command -v dbus-daemon >/dev/null || skip "no dbus-daemon"
[ -x "$LAUNCHER" ] || skip "no at-spi-bus-launcher"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "no pyatspi"
session_begin "$1"
export TZ=UTC LC_ALL=C
fail() { echo "FAIL: $*"; exit 1; }

# A private session bus and the accessibility bus on it, ended with the session.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null |
    { read -r a; read -r p; echo "export DBUS_SESSION_BUS_ADDRESS='$a'; BUS=$p"; })"
"$LAUNCHER" --launch-immediately 2>/dev/null & LAUNCHED=$!
stop_buses() {
    kill "$LAUNCHED" 2>/dev/null || true
    kill "$BUS" 2>/dev/null || true
}
trap 'session_end; stop_buses' EXIT
for _ in $(seq 400); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        >/dev/null 2>&1 && break
    sleep 0.05
done
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 || skip "the accessibility bus did not start"

# Inside the contest, one contact three hours old (worked again may be), repeat interval 2 h.
cd "$WORK"
LOG="$WORK/QZVHF.LOG"
printf '"%s","%s","2m","FM","VK1AAA","59001","59012",1,"Al"\r\n' \
    "$(date -u -d '-3 hours' +%m-%d-%Y)" "$(date -u -d '-3 hours' +%H:%M)" >"$LOG"
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK6XYZ\r\n[TIME]\r\nContestStartDate=%s\r\nContestStartTime=%s\r\nContestFinishDate=%s\r\nContestFinishTime=%s\r\nRepeatContactTimeHrs=2\r\n[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\nLogBookFullScreen=0\r\n' \
    "$LOG" "$(date -u -d '-4 hours' +'%-d %b %Y')" "$(date -u -d '-4 hours' +%H:%M:%S)" \
    "$(date -u -d '+12 hours' +'%-d %b %Y')" "$(date -u -d '+12 hours' +%H:%M:%S)" >"$INI"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$BIN" & APP=$!
wait_window "Vandrel v1.50" >/dev/null || fail "no main window"
/usr/bin/python3 "$HERE/screenreader.py"
# The contact typed through the reader's session is on disk.
grep -q '"VK3ABC",.*"Peter"' "$LOG" || fail "the typed contact is not in the logbook: $(cat "$LOG")"
