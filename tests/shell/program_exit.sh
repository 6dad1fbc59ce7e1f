#!/usr/bin/env bash
# Starts the real program on a private X server and in a private network (loopback only, so
# the version check and statistics reach nothing), closes its catalogue as a window manager
# would, and expects the process to end by itself with exit code 0.
#   program_exit.sh PROGRAM X11_CLOSE
set -u
program=$1
closer=$2
exec unshare --net "$(dirname "$0")/with_x_display.sh" bash -c '
    program=$1; closer=$2
    "$program" &
    pid=$!
    if ! "$closer" "游戏目录" 30; then
        kill -9 "$pid" 2>/dev/null
        echo "the catalogue never appeared"
        exit 3
    fi
    # Generous: this guards against a hang, it does not time the exit.
    for _ in $(seq 1 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        echo "the program was still running after its catalogue closed"
        exit 4
    fi
    wait "$pid"
    code=$?
    echo "exit code $code"
    [ "$code" -eq 0 ]
' _ "$program" "$closer"
