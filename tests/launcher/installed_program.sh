#!/usr/bin/env bash
# Installs the build into a fresh folder, expects exactly the launcher, the runtime and the
# modules it loads there, then starts the installed program and closes its catalogue.
#   installed_program.sh CMAKE BUILD_DIR PROGRAM_EXIT_SCRIPT X11_CLOSE
set -u
cmake=$1
build=$2
program_exit=$3
closer=$4

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
# A space and Chinese characters in the path, as a user's own folder may have.
prefix="$root/主播 工具/Glimmerhall"

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 2; }

expected=$'glimmer_page_reader\nglimmerhall\nhostcore.rtl\nlibglimmer_net.so\nlibglimmer_obs_socket.so\nlibglimmer_overlay.so'
actual=$(cd "$prefix" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    echo "installed files differ:"
    echo "$actual"
    exit 3
fi

# The installed program must not lean on the build tree's runtime or key: its own folder is
# all it has, and the per-user key points nowhere. A home of its own keeps the browser
# engine's profile apart from any other copy of the program running at the same time.
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config"
mkdir -p "$HOME"
"$program_exit" "$prefix/glimmerhall" "$closer"
