#!/usr/bin/env bash
# Starts the real program on a private X server with keys in [hotkeys] of its settings file,
# presses them as a keyboard would (XTest, through xdotool) with the focus anywhere, and
# expects the commands to act; lines that name no key or no command are passed over, and a
# key another program holds is reported in a box while the rest still work.
#   program_hotkeys.sh PROGRAM_FOLDER X11_HOLD_KEY X11_CLOSE
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${GLIMMER_HOTKEYS_INSIDE:-}" ]; then
    export GLIMMER_HOTKEYS_INSIDE=1
    exec unshare --net bash -c 'ip link set lo up && exec "$0" "$@"' \
        "$here/with_x_display.sh" "$here/$(basename "$0")" "$@"
fi
command -v xdotool >/dev/null || { echo "skip: no xdotool"; exit 0; }
folder=$1
hold_key=$2
x11_close=$3
work=$(mktemp -d)
pid=
holder=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; [ -n "$holder" ] && kill "$holder" 2>/dev/null
      rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/run" "$work/config/glimmerhall" "$work/home"
cp "$folder"/glimmerhall "$folder"/hostcore.rtl "$folder"/lib*.so "$work/bin/"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config HOME=$work/home
# As a Chinese host runs it: the boxes looked for are the Chinese ones.
export LANG=zh_CN.UTF-8 LC_ALL= LC_MESSAGES=
unset QT_QPA_PLATFORM
cat > "$work/config/glimmerhall/settings.ini" <<'INI'
[overlay]
port=0
[hotkeys]
Ctrl+Alt+1 = tally add 1 520
Hyper+2 = tally undo
Ctrl+Alt+3 = tally fly
F7 = open dice
Ctrl+Alt+4 = tally add 2 4
INI
program=$work/bin/glimmerhall
# Another program holds Ctrl+Alt+4 before ours starts.
coproc HOLD { exec "$hold_key"; }
holder=$HOLD_PID
read -r -t 10 held <&"${HOLD[0]}"
[ "${held:-}" = held ] || { echo "FAIL: could not hold a key"; exit 1; }
"$program" &
pid=$!

# Waits, with a guard against a hang, until the state holds the text.
wait_for_state() {
    for _ in $(seq 1 400); do
        [[ "$("$program" ctl state 2>/dev/null)" == *"$1"* ]] && return 0
        sleep 0.05
    done
    echo "FAIL: the state never held $1: $("$program" ctl state 2>&1)"
    exit 1
}

wait_for_state '"revision"'
# The box naming the key held elsewhere comes once, at start; closing it lets the test go on.
"$x11_close" 全局快捷键 20 || { echo "FAIL: no box about the key held elsewhere"; exit 1; }
"$program" ctl open tally || { echo "FAIL: open tally"; exit 1; }
xdotool key ctrl+alt+1
wait_for_state '"520"'
xdotool key F7
wait_for_state '"phase":"waiting"' # only an open dice window has a phase
# The lines that were passed over broke nothing.
kill -0 "$pid" || { echo "FAIL: the program ended"; exit 1; }
echo "hotkeys acted"
