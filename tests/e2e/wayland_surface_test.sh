#!/usr/bin/env bash
# Shows the real program on a headless Wayland compositor (weston) and reads the screen
# back: the panel must be there, and no pixel of the skin's key colour (magenta) may show,
# since a Wayland compositor shows the whole surface and uses the window mask for input
# only.
#
#     wayland_surface_test.sh <program folder with the Vorlane executable>
set -euo pipefail
bin=$1
work=$(mktemp -d)
weston_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/weston.log" ] && tail -20 "$work/weston.log" >&2
    [ -f "$work/program.log" ] && cat "$work/program.log" >&2
    exit 1
}

mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=vorlane-test
# --debug lets weston-screenshooter read the screen.
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 \
    --use-pixman --debug --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 50); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "weston did not start"

# The screen as raw RGB, one file per shot.
shot() {
    rm -f "$work"/wayland-screenshot-*.png
    (cd "$work" && timeout 10 weston-screenshooter) || return 1
    ffmpeg -v error -y -i "$work"/wayland-screenshot-*.png -f rawvideo -pix_fmt rgb24 "$1"
}
# Pixels that differ between two shots, and pixels of the key colour in one.
compare() {
    python3 - "$@" <<'EOF'
import sys
a = open(sys.argv[1], "rb").read()
b = open(sys.argv[2], "rb").read()
changed = sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])
key = sum(1 for i in range(0, len(b), 3) if b[i:i + 3] == b"\xff\x00\xff")
print(changed, key)
EOF
}

# The desktop before the program: its wallpaper and panel settle first.
sleep 1
shot "$work/before.rgb" || fail "no screenshot"

home="$work/home"
mkdir -p "$home"
cp -r "$bin/Configure" "$bin/Language" "$bin/Resource" "$home"
QT_QPA_PLATFORM=wayland VORLANE_HOME="$home" VORLANE_AUDIO_OUTPUT=null VORLANE_POWER=log \
    "$bin/Vorlane" >"$work/program.log" 2>&1 &
program_pid=$!

# The panel (454 x 360) covers most of its rectangle once it is on screen.
result=""
for _ in $(seq 30); do
    sleep 0.5
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
    shot "$work/after.rgb" || continue
    read -r changed key < <(compare "$work/before.rgb" "$work/after.rgb")
    result="$changed pixels changed, $key of the key colour"
    [ "$changed" -gt 120000 ] && break
done
echo "$result"
[ "${changed:-0}" -gt 120000 ] || fail "the panel did not appear ($result)"
[ "$key" -eq 0 ] || fail "$key pixels of the key colour show on the screen"

kill -TERM "$program_pid"
wait "$program_pid" || fail "the program did not end cleanly on SIGTERM"
program_pid=""
echo "PASS"
