#!/usr/bin/env bash
# Runs the real program in a private network where the maker's site is a server that accepts
# the version download and never answers, closes the catalogue while the download waits, and
# expects the process gone within 2 seconds with exit code 0.
#   program_hung_site.sh PROGRAM X11_CLOSE SITE_HOST SITE_PORT
set -u
here=$(cd "$(dirname "$0")" && pwd)
exec unshare --mount --net bash -c '
    set -u
    program=$1; closer=$2; host=$3; port=$4; here=$5
    work=$(mktemp -d)
    trap "rm -rf \"$work\"" EXIT
    ip link set lo up
    printf "127.0.0.1 localhost\n127.0.0.1 %s\n" "$host" > "$work/hosts"
    mount --bind "$work/hosts" /etc/hosts
    python3 "$here/silent_server.py" "$port" "$work/connected" &
    server=$!
    # The program asks once and never again, so the server must be there first.
    for _ in $(seq 1 600); do
        [ -e "$work/connected.listening" ] && break
        sleep 0.05
    done
    "$here/with_x_display.sh" bash -c '"'"'
        program=$1; closer=$2; work=$3
        . "$4/expect_exit.bash"
        "$program" &
        pid=$!
        for _ in $(seq 1 600); do
            [ -e "$work/connected" ] && break
            sleep 0.05
        done
        if [ ! -e "$work/connected" ]; then
            kill -9 "$pid"; echo "the version download never reached the server"; exit 3
        fi
        close_and_expect_exit "$closer" "$pid"
    '"'"' _ "$program" "$closer" "$work" "$here"
    result=$?
    kill "$server" 2>/dev/null
    exit $result
' _ "$1" "$2" "$3" "$4" "$here"
