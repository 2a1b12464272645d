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
for tool in Xvfb xauth mcookie dbus-run-session xdotool import python3-pyatspi; do
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
# The running program's socket and lock live in the runtime folder: one of its own per run, so
# that scenarios run together never hand their files to each other's program. It lies in /tmp
# (mode 0700), since a socket's address holds at most 107 bytes whatever the length of the path to
# the build tree.
export XDG_STATE_HOME="$run_home/state" XDG_RUNTIME_DIR="$(mktemp -d /tmp/fenmoor-e2e-XXXXXX)"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR" "$XDG_STATE_HOME"
# Each run has a virtual display of its own: Xvfb picks a free display number itself and tells it
# through -displayfd once it accepts connections, so scenarios run together (by one ctest or by
# several) never race for a number as "xvfb-run -a" does, which could hand two runs the same
# display and one of them the other's authorisation. The run's authority file holds one cookie
# for any display (no address, no number), written before the server starts and never rewritten
# while the server may read it.
# The display repeats no key (-r): a key pressed by xdotool is released a moment later, but a
# busy machine may hold xdotool back for longer than the repeat delay, and the repeated presses
# would then go on to whatever window has the keys once the one it meant has closed (a Ctrl+Q
# meant for one program quitting another under it).
# The AT-SPI bus is started at once (it is otherwise activated by the first program with the
# bridge, a little later); it is ended by its own process id when the scenario is done. A display
# that does not come up or does not answer within its deadline ends the run with 75, and a fresh
# display is tried once more.
export XAUTHORITY="$run_home/xauthority"
xvfb_pid=
stop_display() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}
trap stop_display EXIT
trap 'stop_display; exit 143' INT TERM
start_display() {
    rm -f "$XAUTHORITY"
    # family FamilyWild, empty address, empty display number, "MIT-MAGIC-COOKIE-1", the cookie
    printf 'ffff 0000  0000  0012 4d49542d4d414749432d434f4f4b49452d31 0010 %s\n' "$(mcookie)" |
        xauth -q -f "$XAUTHORITY" nmerge -
    : >"$run_home/display"
    Xvfb -displayfd 3 -auth "$XAUTHORITY" -nolisten tcp -noreset -r -screen 0 1024x768x24 \
        3>"$run_home/display" >>"$run_home/xvfb.log" 2>&1 &
    xvfb_pid=$!
    # The number comes as one line once the server listens; a server that ends first failed.
    waited=0
    until grep -q '^[0-9][0-9]*$' "$run_home/display"; do
        if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$waited" -ge 600 ]; then
            echo "e2e: the virtual display did not start" >&2
            stop_display
            return 75
        fi
        waited=$((waited + 1))
        sleep 0.1
    done
    DISPLAY=":$(cat "$run_home/display")"
    export DISPLAY
}
run_on_display() {
    start_display || return $?
    result=0
    dbus-run-session -- sh -c '
        tries=0
        until xdotool getdisplaygeometry >/dev/null 2>&1; do
            tries=$((tries + 1))
            if [ "$tries" -gt 600 ]; then
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
    ' "$scenario" || result=$?
    stop_display
    return $result
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
rm -rf "$run_home" "$XDG_RUNTIME_DIR"
exit $status
