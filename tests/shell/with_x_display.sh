#!/usr/bin/env bash
# Runs a command on a private X server. Xvfb itself picks a free display (-displayfd), so
# several of these can start at once, from this project's tests or anyone else's, without
# two of them settling on the same display as xvfb-run -a can.
#   with_x_display.sh COMMAND [ARGS...]
set -u
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 1 600); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:"; cat "$work/xvfb.log"
    kill "$server" 2>/dev/null; rm -rf "$work"; exit 5
fi
export DISPLAY=":$(head -n 1 "$work/display")"
"$@"
result=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$work"
exit $result
