#!/usr/bin/env bash
# Runs the real program in a private network where the maker's site offers a new version
# whose notes are hostile markup, opens the update notes' box with a click as a person would,
# then closes the catalogue as a window manager would while the modal box is open. The
# program must end by itself within 2 seconds with exit code 0.
#   program_exit_under_box.sh PROGRAM X11_CLOSE SITE_HOST SITE_PORT MARKER [SHOT.png]
# With SHOT given, a screenshot of the open box is saved there first.
set -u
here=$(cd "$(dirname "$0")" && pwd)
exec unshare --mount --net bash -c '
    set -u
    program=$1; closer=$2; host=$3; port=$4; marker=$5; shot=$6; here=$7
    work=$(mktemp -d)
    trap "rm -rf \"$work\"" EXIT
    ip link set lo up
    printf "127.0.0.1 localhost\n127.0.0.1 %s\n" "$host" > "$work/hosts"
    mount --bind "$work/hosts" /etc/hosts
    mkdir -p "$work/site/exeapp/wan"
    printf "%s" "a!$marker!9.9!<a href='"'"'file:///etc/passwd'"'"'>update</a>+<img src='"'"'/usr/share/x.png'"'"'>!http://$host/dl" \
        > "$work/site/exeapp/wan/pz.html"
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &
    server=$!
    for _ in $(seq 1 200); do
        python3 -c "import socket,sys; socket.create_connection((\"127.0.0.1\", $port), 1)" \
            2>/dev/null && break
        sleep 0.05
    done
    "$here/with_x_display.sh" bash -c '"'"'
        program=$1; closer=$2; shot=$3
        . "$4/expect_exit.bash"
        "$program" &
        pid=$!
        # The link shows once the version page has been handled; press it until the box opens.
        # The catalogue stands at 50,50 with no window manager; the link at 329,20 inside it.
        box=""
        for _ in $(seq 1 300); do
            xdotool mousemove 420 82 click 1 2>/dev/null
            box=$(xdotool search --name "更新说明" 2>/dev/null | head -n 1)
            [ -n "$box" ] && break
            sleep 0.1
        done
        if [ -z "$box" ]; then
            kill -9 "$pid"; echo "the update notes never opened"; exit 3
        fi
        [ -n "$shot" ] && { sleep 0.5; import -window root "$shot"; }
        close_and_expect_exit "$closer" "$pid"
    '"'"' _ "$program" "$closer" "$shot" "$here"
    result=$?
    kill "$server" 2>/dev/null
    exit $result
' _ "$1" "$2" "$3" "$4" "$5" "${6:-}" "$here"
