#!/usr/bin/env bash
# Runs the real program in a private network where it counts as online and the maker's site
# answers with a statistics page, waits until the page reader and the engine's processes
# under it run, closes the catalogue, and expects the program and every one of those
# processes gone. The program itself must never have the browser engine mapped.
#   program_reader_exit.sh PROGRAM X11_CLOSE SITE_HOST SITE_PORT
set -u
here=$(cd "$(dirname "$0")" && pwd)
exec unshare --mount --net bash -c '
    set -u
    program=$1; closer=$2; host=$3; port=$4; here=$5
    work=$(mktemp -d)
    trap "rm -rf \"$work\"" EXIT
    ip link set lo up
    # An interface besides loopback, up and with an address: the program then counts as online.
    ip link add glim0 type veth peer name glim1 && ip addr add 10.77.0.1/24 dev glim0 &&
        ip link set glim1 up && ip link set glim0 up || { echo "no second interface"; exit 2; }
    printf "127.0.0.1 localhost\n127.0.0.1 %s\n" "$host" > "$work/hosts"
    mount --bind "$work/hosts" /etc/hosts
    mkdir -p "$work/site/exeapp/wan"
    echo "<html><body><script>document.write(\"stats\")</script></body></html>" \
        > "$work/site/exeapp/wan/tj.html"
    python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" \
        > "$work/server.log" 2>&1 &
    server=$!
    for _ in $(seq 1 600); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.05
    done
    "$here/with_x_display.sh" bash -c '"'"'
        program=$1; closer=$2; work=$3
        tree() {
            ps -eo pid=,ppid= | awk -v root="$1" "{ parent[\$1] = \$2 }
                END { n = 1; list[1] = root; print root
                      for (i = 1; i <= n; i++) for (p in parent) if (parent[p] == list[i]) { list[++n] = p; print p } }"
        }
        running() { [ -r "/proc/$1/stat" ] && ! sed "s/.*) //" "/proc/$1/stat" | grep -q "^Z"; }
        "$program" &
        pid=$!
        reader=""; pids=""
        for _ in $(seq 1 600); do
            for c in $(ps -o pid= --ppid "$pid"); do
                [ "$(basename "$(readlink "/proc/$c/exe")")" = glimmer_page_reader ] && reader=$c
            done
            if [ -n "$reader" ] && grep -q "GET /exeapp/wan/tj.html" "$work/server.log"; then
                pids=$(tree "$reader")
                [ "$(echo $pids | wc -w)" -ge 2 ] && break
            fi
            sleep 0.05
        done
        if [ "$(echo $pids | wc -w)" -lt 2 ]; then
            kill -9 "$pid"; echo "no page reader with processes of its own: [$pids]"; exit 3
        fi
        if grep -qi webengine "/proc/$pid/maps"; then
            kill -9 "$pid"; echo "the program has the browser engine mapped"; exit 4
        fi
        "$closer" "游戏目录" 30 || { kill -9 "$pid"; echo "no catalogue"; exit 3; }
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -0 "$pid" 2>/dev/null && { kill -9 "$pid"; echo "program still running"; exit 4; }
        wait "$pid"
        code=$?
        for _ in $(seq 1 40); do
            left=""
            for p in $pids; do running "$p" && left="$left $p"; done
            [ -z "$left" ] && break
            sleep 0.05
        done
        if [ -n "$left" ]; then
            echo "left behind:$left"; kill -9 $left; exit 5
        fi
        echo "exit code $code; reader and $(( $(echo $pids | wc -w) - 1 )) processes under it gone"
        [ "$code" -eq 0 ]
    '"'"' _ "$program" "$closer" "$work"
    result=$?
    kill "$server" 2>/dev/null
    exit $result
' _ "$1" "$2" "$3" "$4" "$here"
