# Sourced by the real-program tests.
#
# close_and_expect_exit CLOSER PID
# Closes the catalogue as a window manager would, then expects PID (a child of the calling
# shell) to end by itself within 2 seconds with exit code 0. Generous: it guards against a
# hang, it does not time the exit.
close_and_expect_exit() {
    local closer=$1 pid=$2 start code
    "$closer" "游戏目录" 30 || { kill -9 "$pid"; echo "no catalogue"; return 3; }
    start=$(date +%s%N)
    while kill -0 "$pid" 2>/dev/null; do
        if [ $(( ($(date +%s%N) - start) / 1000000 )) -gt 2000 ]; then
            kill -9 "$pid"; echo "still running 2 s after the catalogue closed"; return 4
        fi
        sleep 0.02
    done
    wait "$pid"
    code=$?
    echo "exit code $code, $(( ($(date +%s%N) - start) / 1000000 )) ms after the close"
    [ "$code" -eq 0 ]
}
