#!/bin/sh
# Runs one end-to-end scenario (a Python file using driver.py) on a virtual X display with a
# private D-Bus session and the AT-SPI bus, as an assistive tool would see the program.
#   run-scenario.sh SCENARIO.py
# Environment: FEN_UI_PROBE (the probe program), FENMOOR_E2E_OUT (screenshots and logs).
# Exits 77 (skipped) when the display or accessibility tools are missing; under CI (CI=true),
# where setup installs them, that is a failure instead.
set -eu
scenario=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run dbus-run-session xdotool import python3-pyatspi; do
    if [ "$tool" = python3-pyatspi ]; then
        /usr/bin/python3 -c 'import pyatspi' 2>/dev/null && continue
    elif command -v "$tool" >/dev/null 2>&1; then
        continue
    fi
    echo "e2e: $tool is not installed; skipped" >&2
    [ "${CI:-}" = true ] && exit 1
    exit 77
done
mkdir -p "${FENMOOR_E2E_OUT:?}"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export PYTHONPATH="$here${PYTHONPATH:+:$PYTHONPATH}"
# Settings, caches and temporary files of the run stay in the build tree.
run_home=$(mktemp -d "${FENMOOR_E2E_OUT}/run-XXXXXX")
export XDG_CONFIG_HOME="$run_home/config" XDG_DATA_HOME="$run_home/data"
export XDG_CACHE_HOME="$run_home/cache" TMPDIR="$run_home/tmp"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
# The AT-SPI bus is started at once (it is otherwise activated by the first program with the
# bridge, a little later); it is ended by its own process id when the scenario is done. The
# scenario starts once the display answers; a display that never does (seen once in a while on a
# loaded machine: the program "could not connect to display") ends the run with 75, and a fresh
# display is tried once more.
run_on_display() {
    xvfb-run -a -e "$run_home/xvfb.log" -s "-screen 0 1024x768x24" dbus-run-session -- sh -c '
        tries=0
        until xdotool getdisplaygeometry >/dev/null 2>&1; do
            tries=$((tries + 1))
            if [ "$tries" -gt 100 ]; then
                echo "e2e: the display $DISPLAY does not answer" >&2
                exit 75
            fi
            sleep 0.1
        done
        launcher=
        if [ -x /usr/libexec/at-spi-bus-launcher ]; then
            /usr/libexec/at-spi-bus-launcher --launch-immediately &
            launcher=$!
        fi
        result=0
        /usr/bin/python3 "$0" || result=$?
        if [ -n "$launcher" ]; then kill "$launcher" 2>/dev/null || true; fi
        exit $result
    ' "$scenario"
}
status=0
run_on_display || status=$?
if [ "$status" -eq 75 ]; then
    status=0
    run_on_display || status=$?
fi
if [ "$status" -ne 0 ] && [ -s "$run_home/xvfb.log" ]; then
    echo "--- the virtual display's log ---" >&2
    cat "$run_home/xvfb.log" >&2
fi
rm -rf "$run_home"
exit $status
