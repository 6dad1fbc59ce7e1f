#!/usr/bin/env bash
# Drives the real program through "glimmerhall ctl" on the offscreen platform, in a private
# network: one action of each game, refusals and their exit codes, a second start, a copy
# started beside it, another user, and the socket a killed program leaves behind.
#   program_control.sh PROGRAM_FOLDER
set -u
if [ -z "${GLIMMER_CONTROL_INSIDE:-}" ]; then
    export GLIMMER_CONTROL_INSIDE=1
    exec unshare --net bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
folder=$1
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of its own, so the PK's configuration folder beside it is this test's alone.
mkdir -p "$work/bin" "$work/run" "$work/config" "$work/home"
cp "$folder"/glimmerhall "$folder"/hostcore.rtl "$folder"/lib*.so "$work/bin/"
cp "$folder"/glimmer_page_reader "$work/bin/" 2>/dev/null
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config HOME=$work/home
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false'
# As a Chinese host runs it; ctl's own words follow the locale of whoever runs it.
export LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES=
program=$work/bin/glimmerhall
failures=0

# expect CODE TEXT -- COMMAND...: the command's exit code, and TEXT somewhere in its output.
expect() {
    local code=$1 text=$2 got out shown
    shift 3
    out=$("$@" 2>&1)
    got=$?
    shown="$*"
    shown=${shown:0:160}
    if [ "$got" -ne "$code" ] || [[ "$out" != *"$text"* ]]; then
        echo "FAIL: $shown gave $got (wanted $code) and: ${out:0:400} (wanted '$text')"
        failures=$((failures + 1))
    else
        echo "ok: $shown -> $got"
    fi
}

# Waits until the running program answers; a guard against a hang, not a timing.
wait_for_program() {
    for _ in $(seq 1 600); do
        "$program" ctl state >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "FAIL: the program never answered"
    exit 1
}

state() { "$program" ctl state; }

expect 3 "没有在运行的程序" -- "$program" ctl state
expect 3 "no program is running" -- env LANG=C.UTF-8 "$program" ctl state
expect 2 "没有这个 ctl 命令" -- "$program" ctl nonsense
expect 2 "unknown ctl command" -- env LANG=C.UTF-8 "$program" ctl nonsense

# Its start-up steps logged: the socket and the keys wait for the catalogue's first paint.
QT_LOGGING_RULES="$QT_LOGGING_RULES;glimmer.startup.debug=true" \
    "$program" --overlay-port 0 2>"$work/startup.log" &
pids+=($!)
first=$!
wait_for_program
steps=$(grep -oE 'catalogue painted|control socket|global hotkeys' "$work/startup.log" | tr '\n' ,)
[ "$steps" = "catalogue painted,control socket,global hotkeys," ] ||
    { echo "FAIL: start-up steps in this order: $steps"; failures=$((failures + 1)); }
[ "$(stat -c %a "$work/run/glimmerhall")" = 700 ] || { echo "FAIL: folder not 0700"; failures=$((failures + 1)); }

expect 1 "没有打开" -- "$program" ctl tally add 1 9999
expect 0 "" -- "$program" ctl open tally
expect 0 "" -- "$program" ctl tally add 1 9999
expect 0 '"9999"' -- "$program" ctl state
expect 0 "" -- "$program" ctl tally undo
expect 1 "没有可以撤销" -- "$program" ctl tally undo
expect 0 "" -- "$program" ctl tally redo
expect 0 "" -- "$program" ctl open dice
expect 1 "" -- "$program" ctl dice reveal
expect 0 "" -- "$program" ctl dice step
expect 0 "" -- "$program" ctl open minebox
expect 1 "还没埋雷" -- "$program" ctl minebox dig 1
expect 0 "" -- "$program" ctl minebox counts 6 2
expect 0 "" -- "$program" ctl minebox bury
expect 0 "" -- "$program" ctl minebox dig 4
expect 0 "" -- "$program" ctl minebox credit 2
expect 2 "player" -- "$program" ctl tally add 3 5
expect 2 "没有这个 ctl 命令" -- "$program" ctl tally fly
expect 2 "" -- "$program" ctl open chess
expect 0 "minebox credit" -- "$program" ctl --help

# Amounts are numbers written plainly; a phrase too long or not UTF-8 says so.
expect 1 "数量" -- "$program" ctl tally add 1 abc
expect 1 "数量" -- "$program" ctl tally add 1 1e400
expect 2 "命令太长" -- "$program" ctl dice phrase "$(head -c 5000 /dev/zero | tr '\0' x)"
expect 2 "UTF-8" -- "$program" ctl dice phrase "$(printf 'a\xff')"
# Idle connections cannot keep a command out: the oldest give way.
python3 -c '
import socket, sys, time
held = []
for _ in range(200):
    s = socket.socket(socket.AF_UNIX)
    s.connect(sys.argv[1])
    held.append(s)
time.sleep(30)' "$work/run/glimmerhall/control" &
idle=$!
pids+=($idle)
sleep 0.5
expect 0 '"revision"' -- timeout 5 "$program" ctl state
kill -9 "$idle"
# The socket itself says so too, to a client that is not ctl.
ask_socket() {
    python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(bytes.fromhex(sys.argv[2]))
print(s.makefile("rb").read().decode())' "$work/run/glimmerhall/control" "$1"
}
expect 0 '命令太长' -- ask_socket "$(head -c 5000 /dev/zero | od -An -v -tx1 | tr -d ' \n' | sed 's/00/78/g')0a"
expect 0 'UTF-8' -- ask_socket "$(printf '{"action":"state"}\xff' | od -An -v -tx1 | tr -d ' \n')0a"

# A second start brings the first one forward and ends at once.
expect 0 "" -- timeout 20 "$program"
kill -0 "$first" || { echo "FAIL: the first program ended"; failures=$((failures + 1)); }

# A copy beside it starts and serves its overlays, yet ctl still means the first program.
port=$((20000 + RANDOM % 20000))
"$program" --new-instance --overlay-port "$port" &
pids+=($!)
second=$!
started=0
for _ in $(seq 1 600); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then started=1; break; fi
    kill -0 "$second" 2>/dev/null || break
    sleep 0.05
done
[ "$started" = 1 ] || { echo "FAIL: --new-instance did not start"; failures=$((failures + 1)); }
expect 0 '"9999"' -- "$program" ctl state
kill -9 "$second"

# Another user: the folder keeps them out, and with the folder opened the program itself
# refuses them (its peer check), with nothing changed.
if command -v setpriv >/dev/null && [ "$(id -u)" = 0 ]; then
    before=$(state)
    chmod 711 "$work" "$work/bin"
    expect 3 "" -- setpriv --reuid=65534 --regid=65534 --clear-groups "$program" ctl tally add 1 5
    chmod 755 "$work/run" "$work/run/glimmerhall"
    chmod 777 "$work/run/glimmerhall/control"
    expect 0 '"status":"refused"' -- setpriv --reuid=65534 --regid=65534 --clear-groups \
        /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
try:  # the refusal may come, and the socket close, before the request is out
    s.sendall(b"{\"game\":\"tally\",\"action\":\"add\",\"player\":1,\"amount\":\"5\"}\n")
except BrokenPipeError:
    pass
print(s.makefile("rb").read().decode())' "$work/run/glimmerhall/control"
    chmod 700 "$work/run" "$work/run/glimmerhall"
    [ "$(state)" = "$before" ] || { echo "FAIL: another user changed the state"; failures=$((failures + 1)); }
else
    echo "skip: another user (needs root and setpriv)"
fi

# A killed program leaves its socket; the next start finds nobody on it and takes it over.
kill -9 "$first"
wait "$first" 2>/dev/null
[ -S "$work/run/glimmerhall/control" ] || { echo "FAIL: no socket left behind"; failures=$((failures + 1)); }
expect 3 "" -- "$program" ctl state
"$program" --overlay-port 0 &
pids+=($!)
wait_for_program
expect 0 '"open":false' -- "$program" ctl state
kill -9 "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null

# A names file saved as UTF-8 beside a PK a killed program left: the window opens at once,
# its notice and its question wait beside it, and commands hear why they cannot act.
"$program" --overlay-port 0 &
pids+=($!)
wait_for_program
mkdir -p "$work/bin/游戏配置们"
printf '[玩家1]\r\n名字=阿明\r\n' > "$work/bin/游戏配置们/Quorvane.txt"
printf '{"amount":"7","name":"x","op":"add","player":1,"time":"2026-01-01T20:00:00"}\n' \
    > "$work/bin/游戏配置们/Quorvane.journal"
expect 0 "" -- timeout 1 "$program" ctl open tally
expect 1 "对话框" -- timeout 1 "$program" ctl tally add 1 5
expect 0 '"open":true' -- timeout 1 "$program" ctl state
kill -9 "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null

# A settings file that is a FIFO holds nothing up: the program starts and answers.
mkdir -p "$work/config/glimmerhall"
rm -f "$work/config/glimmerhall/settings.ini"
mkfifo "$work/config/glimmerhall/settings.ini"
"$program" &
pids+=($!)
wait_for_program
expect 0 '"revision"' -- timeout 2 "$program" ctl state
kill -9 "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null
rm -f "$work/config/glimmerhall/settings.ini"

# Two starts at once, as a double-click on the menu entry makes them: one program runs, the
# other start brings it forward and ends with 0.
"$program" --overlay-port 0 &
one=$!
"$program" --overlay-port 0 &
two=$!
pids+=("$one" "$two")
ended=
for _ in $(seq 1 600); do
    if ! kill -0 "$one" 2>/dev/null; then ended=$one; break; fi
    if ! kill -0 "$two" 2>/dev/null; then ended=$two; break; fi
    sleep 0.05
done
if [ -z "$ended" ]; then
    echo "FAIL: two programs run at once"; failures=$((failures + 1))
else
    wait "$ended"
    code=$?
    [ "$code" -eq 0 ] || { echo "FAIL: the second start ended with $code"; failures=$((failures + 1)); }
    expect 0 '"revision"' -- "$program" ctl state
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
