#!/usr/bin/env bash
# Takes the screenshots in this folder from a build, in a private network and on a private X
# display, once under each locale: zh_CN.UTF-8 and C.UTF-8.
#   docs/screenshots/take.sh BUILD_BIN_FOLDER      (e.g. build/dev/bin)
set -eu
if [ -z "${GLIMMER_SHOTS_INSIDE:-}" ]; then
    export GLIMMER_SHOTS_INSIDE=1
    exec unshare --net bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
bin=$(cd "$1" && pwd)
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
Xvfb :71 -screen 0 1280x800x24 -nolisten tcp &
sleep 1
export DISPLAY=:71 QT_LOGGING_RULES='qt.qpa.*=false'
shot() { import -window root -crop "$2" +repage "$out/$1.png"; }
for locale in zh_CN.UTF-8 C.UTF-8; do
    tag=${locale%%.*}; tag=${tag%%_*}; [ "$tag" = C ] && tag=en
    export LANG=$locale
    unset LC_ALL LC_MESSAGES
    rm -rf "$work/bin" "$work/run" "$work/config"
    mkdir -p "$work/bin/游戏配置们" "$work/run" "$work/config"
    chmod 700 "$work/run"
    cp "$bin"/glimmerhall "$bin"/hostcore.rtl "$bin"/lib*.so "$work/bin/"
    export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config
    # A twelve-character name with emoji, kept in UTF-8 as the setup dialog keeps it.
    printf '\xef\xbb\xbf[玩家1]\r\n名字=🎮小鹿今晚不下播冲冲冲🎉\r\n[玩家2]\r\n名字=阿强💯\r\n' \
        > "$work/bin/游戏配置们/Quorvane.txt"
    g="$work/bin/glimmerhall"
    # The help as a terminal shows it, drawn by the browser engine in a monospaced CJK face.
    { printf '<meta charset="utf-8"><body style="margin:12px;background:#fff">'
      printf '<pre style="font:15px \x27Noto Sans Mono CJK SC\x27,monospace">'
      "$g" --help | sed 's/&/\&amp;/g; s/</\&lt;/g'
      printf '</pre>'; } > "$work/help.html"
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=760,600 \
        --screenshot="$out/help-$tag.png" "file://$work/help.html" >/dev/null 2>&1
    "$g" --overlay-port 0 &
    for _ in $(seq 100); do "$g" ctl state >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 0.5
    shot "catalogue-$tag" 520x320+40+40
    "$g" ctl open tally
    "$g" ctl tally add 1 99999999999
    "$g" ctl tally add 2 9999
    "$g" ctl tally add 2 30
    "$g" ctl tally undo
    "$g" ctl tally add 2 520
    sleep 0.5
    "$g" ctl open dice
    sleep 0.5
    shot "two-games-$tag" 1100x640+40+40
    # The PK goes to the history with a new round, then the history window shows it.
    # Its menu, then 新一局 (asked first, the PK having additions).
    new_round() {
        xdotool search --name '^Quorvane$' mousemove --window %1 100 270 click 3
        sleep 0.5; xdotool mousemove_relative 40 13 click 1; sleep 0.7; xdotool key Return; sleep 1
    }
    new_round
    # A PK for the chart: a second apart, with an undone 9999 it must leave out.
    for step in "1 520" "2 1314" "1 9999" undo "1 666" "2 99"; do
        if [ "$step" = undo ]; then "$g" ctl tally undo; else "$g" ctl tally add $step; fi
        sleep 1
    done
    new_round
    xdotool search --name '^Quorvane$' mousemove --window %1 100 270 click 3
    sleep 0.5; xdotool mousemove_relative 40 90 click 1; sleep 1.5
    shot "history-$tag" 900x620+0+0
    kill %2 2>/dev/null || true
    wait %2 2>/dev/null || true
done
