#!/usr/bin/env bash
# Builds the Debian package, checks it as Debian does, and runs the unpacked program as a
# user of its own: the first start makes the per-user folder, the catalogue and an MP3
# recording through the simulated device; a second start goes on from the saved counters,
# records a WMA and plays both in the recordings browser. Every file that run loaded must
# come from a package that installing the .deb brings in.
#
#     package_test.sh <build folder> <button driver library>
set -euo pipefail
build=$1
driver=$2
here=$(cd "$(dirname "$0")" && pwd)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/vorlane_*.deb)

echo "== control fields"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# What the program links, and what it loads by name: the encoder, the GStreamer plugins
# that play MP3 and WMA, the Qt platform plugins and a font for the Asian languages.
for lib in libmp3lame0 libqt6widgets6 libasound2 libsqlite3-0 libhidapi-hidraw0 libc6 libflac12 \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly \
    gstreamer1.0-libav qt6-qpa-plugins fonts-wqy-microhei; do
    grep -q "\b$lib\b" <<<"$depends" || fail "$lib is not among the dependencies"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Recommends: $recommends"
for pkg in libasound2-plugins qt6-wayland qt6-translations-l10n; do
    grep -q "\b$pkg\b" <<<"$recommends" || fail "$pkg is not recommended"
done

echo "== lintian"
lintian --fail-on error "$deb" | tee "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/vorlane usr/lib/udev/rules.d/70-vorlane-hid.rules \
    usr/share/applications/vorlane.desktop \
    usr/share/icons/hicolor/scalable/apps/vorlane.svg \
    usr/share/icons/hicolor/48x48/apps/vorlane.png usr/share/icons/hicolor/128x128@2/apps/vorlane.png \
    usr/share/vorlane/Configure/Config_LP.ini usr/share/vorlane/Language/English/English.ini \
    usr/share/vorlane/Resource/Skin/BK-LP.bmp usr/share/doc/vorlane/copyright; do
    [ -e "$root/$f" ] || fail "the package lacks /$f"
done

echo "== validators"
desktop-file-validate "$root/usr/share/applications/vorlane.desktop"
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net --explain "$metainfo"

echo "== --version and --help without a display"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/vorlane" --version)
[ "$out" = "Vorlane $version" ] || fail "--version said: $out"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/vorlane" --help | grep -q "^Usage: vorlane" ||
    fail "--help"

echo "== two starts as a user of its own"
home="$work/home"
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 30 sine 440 vol 0.5
cp "$driver" "$work/driver.so"
chmod 644 "$work/tone.wav" "$work/driver.so"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    # The shipped files stay root's; the program runs as nobody, who can write only home.
    chown -R nobody:nogroup "$home" "$work/run"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
    chmod -R a-w "$root"
fi
run_program() {
    # For an address-sanitizer build (other builds ignore the variable): the preloaded
    # driver puts the runtime second, and the leak check cannot inspect a process that
    # changed its user (the end-to-end tests check the program's leaks).
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run" "$@" \
        ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 \
        QT_QPA_PLATFORM=offscreen VORLANE_SIM_DEVICE=usbpnp VORLANE_AUDIO_OUTPUT=null \
        VORLANE_CAPTURE_FILE="$work/tone.wav" VORLANE_HID_TABLE="/vorlane-package-$$" \
        VORLANE_DRIVER_SECONDS=2 LD_PRELOAD="$work/driver.so" \
        timeout 90 "${as_user[@]}" "$root/usr/bin/vorlane" 2>&1 | tee "$work/run.log"
    grep -q "^driver: stopped" "$work/run.log" || fail "no recording was made"
}
data="$home/.local/share/vorlane"
records="$home/Documents/VorlaneLP Record Files"
option() { sed -n "s/^$1=//p" "$data/Configure/Config_LP.ini" | tr -d '\r'; }
rows() { sqlite3 "$data/Resource/NewData.mdb" "select count(*) from RecordFile"; }

run_program
[ -f "$data/Configure/Config_LP.ini" ] && [ ! -L "$data/Configure/Config_LP.ini" ] ||
    fail "no settings file of the user's own"
[ -L "$data/Language" ] || fail "the languages are not the shipped ones"
[ "$(option RecordNo)" = 2 ] || fail "record number after the first recording: $(option RecordNo)"
[ "$(rows)" = 1 ] || fail "catalogue rows after the first start: $(rows)"
ls "$records"/No.01-Track001_*.mp3 >/dev/null || fail "no first recording"
grep -q "^RecordNo=1" "$root/usr/share/vorlane/Configure/Config_LP.ini" ||
    fail "the shipped settings were changed"

# The second recording is a WMA; the settings file stays the user's own (same inode).
settings="$data/Configure/Config_LP.ini"
sed 's/^RecordFileType=[0-9]*/RecordFileType=2/' "$settings" >"$work/settings.ini"
cat "$work/settings.ini" >"$settings"
[ "$(option RecordFileType)" = 2 ] || fail "the record type could not be set to WMA"
run_program VORLANE_DRIVER_PLAY=1 VORLANE_DRIVER_MAPS="$work/run/maps.txt"
[ "$(option RecordNo)" = 3 ] || fail "record number after the second start: $(option RecordNo)"
[ "$(rows)" = 2 ] || fail "catalogue rows after the second start: $(rows)"
ls "$records"/No.02-Track001_*.wma >/dev/null || fail "the second recording did not go on from the counters"
size=$(stat -c %s "$records"/No.02-Track001_*.wma)
[ "$size" -gt 20000 ] || fail "the second recording holds only $size bytes"

echo "== playback of the MP3 and the WMA in the recordings browser"
grep -q "^driver: played No.01-Track001_.*\.mp3$" "$work/run.log" || fail "the MP3 did not play"
grep -q "^driver: played No.02-Track001_.*\.wma$" "$work/run.log" || fail "the WMA did not play"

echo "== every file that run loaded comes with the package's dependencies"
[ -s "$work/run/maps.txt" ] || fail "the program's loaded files were not listed"
python3 "$here/loaded_files_check.py" "$deb" "$work/run/maps.txt" "$root" "$work" ||
    fail "the program loaded files that installing the package would not bring"
echo "PASS"
