#!/usr/bin/env bash
# Start-up of the program against a bare Qt window showing the same log, run in turns in one
# Xvfb so that both meet the same load: for each, the whole process from launch to its first
# shown window, that window closed as a window manager closes it, and the process's exit.
# Prints the medians, their ratio, and the median peak memory of each.
# Usage: bench/startup_pair.sh build/bin/DOVavoviv build/bin/bare_window [contacts] [pairs]
# (VORAD_XVFB_DISPLAY=:81 takes that display instead of a free one; VORAD_BARE_SIZE=1024x768
# gives the bare window the size the program takes on this screen, so that both paint as much.)
set -euo pipefail
HERE=$(dirname "$(realpath "$0")")
TOOLS=$HERE/../tests/tools
. "$TOOLS/xsession.sh"
session_begin "$1"
BARE=$(realpath "$2")
N=${3:-10000}
PAIRS=${4:-11}
/usr/bin/python3 "$HERE/make_log.py" "$WORK/QZVHF.LOG" "$N"
printf '[FILES]\r\nLogFileName=%s\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n' "$WORK/QZVHF.LOG" >"$INI"
echo "logbook: $N contacts, $(stat -c %s "$WORK/QZVHF.LOG") bytes, $PAIRS pairs"
cd "$WORK"
/usr/bin/python3 - "$BIN" "$BARE" "$WORK/QZVHF.LOG" "$PAIRS" ${VORAD_BARE_SIZE:-} <<'PY'
import statistics, subprocess, sys, time
from Xlib import X, display, protocol

program, bare, log, pairs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
bare_size = sys.argv[5:6]
d = display.Display()
root = d.screen().root
root.change_attributes(event_mask=X.SubstructureNotifyMask)
protocols, delete = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("WM_DELETE_WINDOW")

def run(argv, title):
    """Seconds to the first mapped window named TITLE, seconds to the exit, peak RSS in kB."""
    while d.pending_events():
        d.next_event()
    t0 = time.monotonic()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", "rss.txt"] + argv)
    shown = None
    while shown is None:
        e = d.next_event()
        if e.type != X.MapNotify:
            continue
        try:
            name = e.window.get_wm_name() or ""
        except Exception:
            continue
        if title in name:
            shown = time.monotonic() - t0
            e.window.send_event(protocol.event.ClientMessage(window=e.window,
                client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])),
                event_mask=X.NoEventMask)
            d.flush()
    proc.wait()
    total = time.monotonic() - t0
    return shown, total, int(open("rss.txt").read().split()[-1])

results = {"program": [], "bare": []}
for i in range(pairs):
    for kind, argv, title in (("program", [program], "Vandrel"), ("bare", [bare, log] + bare_size, "Bare window")):
        results[kind].append(run(argv, title))
    p, b = results["program"][-1], results["bare"][-1]
    print("pair %2d: program %.3f s (window %.3f s) %d kB, bare %.3f s (window %.3f s) %d kB"
          % (i + 1, p[1], p[0], p[2], b[1], b[0], b[2]), flush=True)
med = {k: [statistics.median(r[j] for r in v) for j in range(3)] for k, v in results.items()}
ratios = statistics.median(p[1] / b[1] for p, b in zip(results["program"], results["bare"]))
for k in ("program", "bare"):
    print("%-8s median %.3f s to exit, %.3f s to the window, peak RSS %.1f MiB"
          % (k, med[k][1], med[k][0], med[k][2] / 1024))
print("ratio of medians %.2fx (median of pair ratios %.2fx), memory %.2fx"
      % (med["program"][1] / med["bare"][1], ratios, med["program"][2] / med["bare"][2]))
PY
