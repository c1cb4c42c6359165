#!/usr/bin/env bash
# The Debian package as a user gets it: CPack builds it from the finished build, its menu entry and
# metadata pass the desktop's validators, the menu entry claims no video files, lintian finds no
# error or warning, its Depends were computed from the binaries (the FFmpeg module's libraries
# among them), and the player unpacked into a temporary root starts, plays a
# file through the module installed beside it, and keeps its settings in the user's data folder,
# never beside the program, even when run as root, who could write there.
#
# Usage: package_install.sh PATH-TO-vexo-mp (in the build folder that holds CPackConfig.cmake)
set -uo pipefail

BIN="${1:?usage: $0 path-to-vexo-mp}"
BUILD="$(cd "$(dirname "$BIN")" && pwd)"
PLAY_X=46 PLAY_Y=110
EXIT_X=307 EXIT_Y=14
RATE=44100

source "$(dirname "$0")/lib/headless.sh"
[ -f "$BUILD/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $BUILD"
require_tools cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli file Xvfb xdotool pulseaudio pactl parec ffmpeg
begin_session vexo-package

# --- The package, staged and written outside the build folder.
cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -5 "$WORK/cpack.log")"
DEB="$(ls "$WORK"/package/vexo-mp_*.deb 2>/dev/null | head -1)"
[ -n "$DEB" ] || fail "cpack wrote no vexo-mp_*.deb: $(tail -3 "$WORK/cpack.log")"
echo "package $(basename "$DEB"): $(stat -c %s "$DEB") bytes"

depends="$(dpkg-deb --field "$DEB" Depends)"
echo "Depends: $depends"
for package in libc6 libqt6widgets6 libpulse0 libasound2 libavformat libavcodec fonts-wine; do
    grep -q "\b$package" <<<"$depends" || fail "Depends lacks $package"
done

ROOT="$WORK/root"
dpkg-deb -x "$DEB" "$ROOT" || fail "dpkg-deb could not unpack $DEB"
PROGRAM="$ROOT/usr/bin/vexo-mp"
[ -x "$PROGRAM" ] || fail "no usr/bin/vexo-mp in the package"
[ -f "$ROOT/usr/lib/vexo-mp/vexo-ffmpeg.so" ] || fail "no usr/lib/vexo-mp/vexo-ffmpeg.so in the package"

# --- Menu entry, metadata and icons.
desktop-file-validate "$ROOT/usr/share/applications/vexo-mp.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
appstreamcli validate --no-net "$ROOT"/usr/share/metainfo/*.metainfo.xml ||
    fail "appstreamcli rejects the metainfo"
[ -s "$ROOT/usr/share/icons/hicolor/scalable/apps/vexo-mp.svg" ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    file "$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/vexo-mp.png" | grep -q "PNG image data, $size x $size," ||
        fail "no $size px PNG icon"
done
grep '^MimeType=' "$ROOT/usr/share/applications/vexo-mp.desktop" | grep -q 'video/' &&
    fail "the menu entry claims video files: $(grep -o 'video/[^;]*' "$ROOT/usr/share/applications/vexo-mp.desktop")"
echo "menu entry, metadata and icons validate"

# --- Debian's own checks: every error or warning fixed, or overridden with its reason.
lintian --fail-on error,warning "$DEB" >"$WORK/lintian.log" 2>&1 ||
    fail "lintian finds faults: $(grep -E '^[EW]: ' "$WORK/lintian.log" || cat "$WORK/lintian.log")"
echo "lintian: no error, no warning"

# --- The unpacked player, run by a user whose home is a fresh folder.
start_xvfb
start_pulse e2e
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=30" -ac 2 -ar "$RATE" "$WORK/tone.wav" ||
    fail "ffmpeg could not make the tone"
mkdir "$WORK/home"
unset VEXO_HOME XDG_DATA_HOME
export HOME="$WORK/home" VEXO_AUDIO=pulse QT_QPA_PLATFORM=xcb
(cd "$WORK" && exec "$PROGRAM" tone.wav) >"$WORK/player.out" 2>"$WORK/player.err" &
PLAYER_PID=$!
wait_for_main_window 320x135
echo "the unpacked player shows its window"

xdotool mousemove --window "$WID" "$PLAY_X" "$PLAY_Y" click 1
tone_heard() { listen && awk -v w="$HEARD" -v a="$AT440" 'BEGIN { exit !(w + 0 > -30 && a + 0 > w - 6) }'; }
poll_seconds 20 tone_heard || fail "the tone was not heard (whole $HEARD dB, 440 Hz $AT440 dB)"
grep -q "$ROOT/usr/lib/vexo-mp/vexo-ffmpeg.so" "/proc/$PLAYER_PID/maps" ||
    fail "the tone did not play through the packaged FFmpeg module: $(grep -o '/[^ ]*vexo-ffmpeg.so' "/proc/$PLAYER_PID/maps" | head -1)"
echo "the tone plays through the packaged module"

close_player "$EXIT_X" "$EXIT_Y"
[ -f "$HOME/.local/share/vexo-mp/Data/Options.ini" ] || fail "no Options.ini in ~/.local/share/vexo-mp/Data"
[ -d "$HOME/.local/share/vexo-mp/Plugins" ] || fail "the first start made no Plugins folder in its home"
written="$(find "$ROOT/usr" -newer "$DEB" -not -type d)"
[ -z "$written" ] || fail "the player wrote beside itself: $written"
echo "package_install: PASS"
