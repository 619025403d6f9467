#!/usr/bin/env bash
# Installs the Debian package with apt into a fresh minimal Debian 12 system (debootstrap,
# no recommended packages) and runs the installed program there as a user of its own: it
# records an MP3 and a WMA through the simulated device and plays both in the recordings
# browser. Needs root and the Debian mirror of this system's apt sources; downloads the
# base system and every dependency, so it runs only when asked for (VORLANE_CHROOT_TEST).
#
#     chroot_install_test.sh <build folder> <button driver library>
set -euo pipefail
build=$1
driver=$2
[ "$(id -u)" -eq 0 ] || { echo "FAIL: needs root (debootstrap, chroot)" >&2; exit 1; }

work=$(mktemp -d)
root="$work/root"
cleanup() {
    for m in dev/shm proc; do
        mountpoint -q "$root/$m" 2>/dev/null && umount "$root/$m"
    done
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
elapsed() { echo "$(($(date +%s) - $1)) s"; }

# The mirror that this system's apt uses for Debian itself.
mirror=$(sed -n 's/^URIs: *\(\S*\/debian\)\/*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb \(\S*\/debian\)\/* bookworm main.*/\1/p' /etc/apt/sources.list 2>/dev/null | head -1)
[ -n "$mirror" ] || fail "no Debian mirror in this system's apt sources"

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/vorlane_*.deb)

echo "== a minimal Debian 12"
start=$(date +%s)
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; fail "debootstrap"; }
echo "debootstrap: $(elapsed "$start")"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/dev/shm"

echo "== apt install of the package, without recommended packages"
start=$(date +%s)
cp "$deb" "$root/tmp/vorlane.deb"
chroot "$root" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends /tmp/vorlane.deb >"$work/apt.log" 2>&1 ||
    { tail -30 "$work/apt.log"; fail "apt-get install"; }
echo "apt-get install: $(elapsed "$start"), $(chroot "$root" dpkg-query -W | wc -l) packages"

echo "== two starts of the installed program"
mkdir -p "$root/tmp/t/home" "$root/tmp/t/run"
sox -q -n -r 44100 -c 2 -b 16 "$root/tmp/t/tone.wav" synth 30 sine 440 vol 0.5
cp "$driver" "$root/tmp/t/driver.so"
chmod 755 "$root/tmp/t"
chmod 644 "$root/tmp/t/tone.wav" "$root/tmp/t/driver.so"
chmod 700 "$root/tmp/t/run"
chown -R nobody:nogroup "$root/tmp/t/home" "$root/tmp/t/run"
run_program() {
    chroot "$root" env -i PATH=/usr/bin:/bin HOME=/tmp/t/home XDG_RUNTIME_DIR=/tmp/t/run "$@" \
        ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 \
        QT_QPA_PLATFORM=offscreen VORLANE_SIM_DEVICE=usbpnp VORLANE_AUDIO_OUTPUT=null \
        VORLANE_CAPTURE_FILE=/tmp/t/tone.wav VORLANE_HID_TABLE="/vorlane-chroot-$$" \
        VORLANE_DRIVER_SECONDS=2 LD_PRELOAD=/tmp/t/driver.so \
        timeout 120 setpriv --reuid=nobody --regid=nogroup --clear-groups -- /usr/bin/vorlane \
        2>&1 | tee "$work/run.log"
    grep -q "^driver: stopped" "$work/run.log" || fail "no recording was made"
}
settings="$root/tmp/t/home/.local/share/vorlane/Configure/Config_LP.ini"
run_program
sed 's/^RecordFileType=[0-9]*/RecordFileType=2/' "$settings" >"$work/settings.ini"
cat "$work/settings.ini" >"$settings"
run_program VORLANE_DRIVER_PLAY=1
grep -q "^driver: played No.01-Track001_.*\.mp3$" "$work/run.log" || fail "the MP3 did not play"
grep -q "^driver: played No.02-Track001_.*\.wma$" "$work/run.log" || fail "the WMA did not play"
echo "PASS"
