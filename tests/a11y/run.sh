#!/bin/bash
# Runs the screen-reader walk (walk.py) against the real program: a session bus of its own, the
# accessibility bus on it, a virtual screen. Exits 77 (skipped) with the reason when a package
# it needs is missing.
set -u
program=$1
bank=$2
missing=()
command -v dbus-run-session >/dev/null || missing+=(dbus)
command -v xvfb-run >/dev/null || missing+=(xvfb)
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIP: the accessibility walk needs these Debian packages: ${missing[*]}"
    exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
# In the sanitizer build, the X keyboard library duplicates strings that are not terminated where
# strict string checks expect; that is the library's own reading, not the program's.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
exec xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- /usr/bin/python3 "$here/walk.py" "$program" "$bank"
