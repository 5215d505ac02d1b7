#!/usr/bin/env bash
# The keyring test twice: in a D-Bus session of its own with an unlocked keyring, and with no
# session bus at all. Nothing of the tester's own session is touched. Exit 77: no keyring here.
set -euo pipefail
TEST=$1
command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null || exit 77
HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT
env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY HOME="$HOME_DIR" XDG_DATA_HOME="$HOME_DIR/data" \
    XDG_RUNTIME_DIR="$HOME_DIR" "$TEST" noKeyring
HOME="$HOME_DIR" XDG_DATA_HOME="$HOME_DIR/data" XDG_RUNTIME_DIR="$HOME_DIR" \
    dbus-run-session -- bash -c '
        echo -n "test-keyring-unlock" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
        "$0" roundTrip' "$TEST"
# The keyring keeps its data in its own folder; no password reaches any other file.
! grep -rqa "not-a-real-pass" "$HOME_DIR"
