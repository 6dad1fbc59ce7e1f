#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root with dpkg-deb -x, checks its
# files and metadata as a packager would, then starts the unpacked program from a read-only
# folder on a private X server, has the PK tally re-create its configuration and expects the
# exact default file under the user's configuration home. Needs no root: as a normal user a
# user namespace stands in for root to mount the folder read-only, as root (CI) the mount
# namespace alone, since root ignores permission bits. lintian, which costs seconds of
# processor on its own, checks the package where it is made: `make package`, which CI runs.
#   deb_package.sh CPACK BUILD_DIR DEFAULT_TALLY_CONFIG SITE_URL WITH_X_DISPLAY
set -u
cpack=$1 build=$2 defaults=$3 site=$4 x_display=$5
id=org.glimmerhall.Glimmerhall
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The package as `make package` makes it, except for the library dependencies: working them
# out (dpkg-shlibdeps reading every Qt library's symbols file) is most of the seconds this
# test would cost. `make package`, which CI runs, makes them, and lintian there fails on a
# package without them.
cp "$build/CPackConfig.cmake" "$work/config.cmake"
echo 'set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)' >>"$work/config.cmake"
"$cpack" -G DEB --config "$work/config.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "glimmerhall_${version}_amd64.deb" ] || fail "package named $(basename "$deb")"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
lib=$root/usr/lib/glimmerhall

# The essentials; other files may join the program's folder, but nothing lands elsewhere.
for f in usr/lib/glimmerhall/glimmerhall usr/lib/glimmerhall/hostcore.rtl \
    usr/lib/glimmerhall/libglimmer_net.so usr/lib/glimmerhall/libglimmer_overlay.so \
    usr/lib/glimmerhall/libglimmer_obs_socket.so \
    usr/lib/glimmerhall/glimmer_page_reader \
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/glimmerhall.1.gz \
    usr/share/man/zh_CN/man1/glimmerhall.1.gz \
    usr/share/doc/glimmerhall/copyright usr/share/doc/glimmerhall/changelog.gz; do
    [ -f "$root/$f" ] || fail "missing $f"
done
# One interpreter for the three icons: each a PNG of its size.
python3 -c 'import struct,sys
for size in (48, 128, 256):
    try:
        d = open(f"{sys.argv[1]}/{size}x{size}/apps/{sys.argv[2]}.png", "rb").read(24)
    except OSError:
        sys.exit(f"missing {size} px icon")
    if d[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", d[16:24]) != (size, size):
        sys.exit(f"{size} px icon is not a {size}x{size} PNG")' "$root/usr/share/icons/hicolor" "$id" ||
    fail "icons"
[ -x "$lib/glimmerhall" ] || fail "launcher not executable"
[ "$(readlink "$root/usr/bin/glimmerhall")" = ../lib/glimmerhall/glimmerhall ] ||
    fail "/usr/bin/glimmerhall is not a link to the launcher"
stray=$(cd "$root" && find . -mindepth 1 \( -type f -o -type l \) | sed 's|^\./||' |
    grep -Ev '^usr/(lib/glimmerhall/|bin/glimmerhall$|share/(applications|metainfo|icons/hicolor|man/(zh_CN/)?man1|doc/glimmerhall|lintian/overrides)/)')
[ -z "$stray" ] || fail "files outside the expected places: $stray"

depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-noto-cjk fonts-arphic-ukai qt6-translations-l10n libqt6sql6-sqlite; do
    [[ ",$depends," =~ [,\ ]$p[\ ,\(] ]] || fail "Depends lacks $p: $depends"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"

[ "$("$root/usr/bin/glimmerhall" --version)" = "glimmerhall $version" ] ||
    fail "--version through the /usr/bin link"

# The program itself, its folder read-only, on a private network with only loopback.
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME"
ns=(unshare --mount --net)
[ "$(id -u)" -eq 0 ] || ns=(unshare --user --map-root-user --mount --net)
"${ns[@]}" bash -c '
    set -u
    root=$1 lib=$2 defaults=$3 site=$4 x_display=$5 work=$6
    ip link set lo up 2>/dev/null
    mount --bind "$lib" "$lib" && mount -o remount,bind,ro "$lib" || { echo "FAIL: mount"; exit 1; }
    if touch "$lib/probe" 2>/dev/null; then echo "FAIL: the folder is still writable"; exit 1; fi
    "$x_display" bash -c "
        root=\$1 lib=\$2 work=\$3
        \"\$root/usr/bin/glimmerhall\" >\"\$work/program.log\" 2>&1 &
        pid=\$!
        found() { timeout 30 xdotool search --sync --onlyvisible --name \"\$1\" | head -n 1; }
        cat=\$(found \"^游戏目录\") && [ -n \"\$cat\" ] || { echo no catalogue; cat \"\$work/program.log\"; kill -9 \$pid; exit 3; }
        xdotool mousemove --window \"\$cat\" 80 150 click 1
        tally=\$(found \"^Quorvane\$\") && [ -n \"\$tally\" ] || { echo no tally window; kill -9 \$pid; exit 3; }
        xdotool mousemove --window \"\$tally\" 375 18 click 1
        box=\$(found \"^初始化提示\$\") && [ -n \"\$box\" ] || { echo no question; kill -9 \$pid; exit 3; }
        xdotool windowfocus \"\$box\" key Return
        file=\$XDG_CONFIG_HOME/glimmerhall/游戏配置们/Quorvane.txt
        for _ in \$(seq 1 600); do [ -s \"\$file\" ] && break; sleep 0.05; done
        kill \$pid; wait \$pid 2>/dev/null
        [ -s \"\$file\" ] || { echo no configuration file at \$file; cat \"\$work/program.log\"; exit 4; }
    " _ "$root" "$lib" "$work" || exit 1
    cmp "$XDG_CONFIG_HOME/glimmerhall/游戏配置们/Quorvane.txt" <("$defaults" "$site") ||
        { echo "FAIL: not the default file"; exit 1; }
' _ "$root" "$lib" "$defaults" "$site" "$x_display" "$work" || fail "read-only run"
echo "package $(basename "$deb"), $(dpkg-deb -f "$deb" Installed-Size) KiB installed; Depends: $depends"
