#!/usr/bin/env bash
# ./run as a person meets it, from a fresh clone with the packages present: its options, the
# first build's progress, a capture (its length, picture and sound), gentle mode filmed on a
# virtual display through the flash checker, and the plain words for a show that ends with
# status 1.
# Usage: run_command_test.sh SOURCE_TREE FLASH_CHECK
set -uo pipefail
source_tree=$(realpath "$1")
flash_check=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../checks.sh"

no_carriage_return() { ! grep -q $'\r' "$1"; }

# Run with no desktop, as on a fresh server, whose settings ask for nothing: no session bus, no
# GNOME, an empty home.
mkdir -p "$work/home" "$work/bin"
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QUENTHOR_DISPLAY_LAYOUT -u QUENTHOR_DISPLAY_WINDOW \
    -u QUENTHOR_DISPLAY_GENTLE -u DBUS_SESSION_BUS_ADDRESS -u XDG_RUNTIME_DIR -u XDG_CONFIG_DIRS \
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" PATH="$work/bin:$PATH" ./run "$@"
}

# The desktop's reduced-motion setting, each as its desktop keeps it, through stand-ins: the
# settings portal and gsettings answer as the stand-in files in $work/bin say; the files are
# the person's own. Each row: what is set up, then whether it asks (0) or not (1).
stand_in() {  # stand_in COMMAND OUTPUT: a command on PATH that prints OUTPUT
  printf '#!/bin/sh\necho "%s"\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
ini() {  # ini FILE TEXT
  mkdir -p "$(dirname "$work/home/.config/$1")"
  printf '%b' "$2" >"$work/home/.config/$1"
}
motion_rows=(
  "nothing set|:|1"
  "the portal, reduced|stand_in gdbus '(<uint32 1>,)'|0"
  "the portal, no preference|stand_in gdbus '(<uint32 0>,)'|1"
  "GNOME's animations off|stand_in gsettings false|0"
  "GNOME's animations on|stand_in gsettings true|1"
  "GTK 3's animations off|ini gtk-3.0/settings.ini '[Settings]\ngtk-enable-animations = false\n'|0"
  "GTK 4's reduced motion|ini gtk-4.0/settings.ini '[Settings]\ngtk-interface-reduced-motion=reduce\n'|0"
  "GTK's key in another group|ini gtk-3.0/settings.ini '[Other]\ngtk-enable-animations=0\n'|1"
  "KDE instant|ini kdeglobals '[General]\nX=1\n[KDE]\nAnimationDurationFactor[\$i]=0.0\n'|0"
  "KDE slower|ini kdeglobals '[KDE]\nAnimationDurationFactor=0.5\n'|1"
)
for row in "${motion_rows[@]}"; do
  IFS='|' read -r name setup expected <<<"$row"
  rm -rf "$work/home/.config" "$work/bin"/*
  eval "$setup"
  said=$(env -u XDG_CONFIG_DIRS HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
           DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent PATH="$work/bin:$PATH" \
           "$source_tree/scripts/reduced-motion")
  check "reduced motion: $name (${said:-nothing said})" [ $? -eq "$expected" ]
done
rm -rf "$work/home/.config" "$work/bin"/*

git clone -q --no-hardlinks "$source_tree" "$work/clone" || { echo "clone failed" >&2; exit 1; }
cd "$work/clone"

# Options.
run --help >"$work/help" 2>&1
check "--help succeeds" [ $? -eq 0 ]
for option in "record [SECONDS]" "film [SECONDS]" windows package "--layout NAME" --window --gentle --flashing \
              "reduced motion" flashes; do
  check "--help mentions $option" contains "$work/help" "$option"
done
run --frobnicate >"$work/unknown" 2>&1
check "an unknown option ends with status 2" [ $? -eq 2 ]
check "an unknown option is named" contains "$work/unknown" "unknown option '--frobnicate'"
run --layout purple >"$work/layout" 2>&1
check "an unknown layout ends with status 2" [ $? -eq 2 ]
check "an unknown layout lists the real ones" contains "$work/layout" "xrgb32, xbgr32"
run package record >"$work/package-record" 2>&1
check "package with another option ends with status 2" [ $? -eq 2 ]
for pair in "--window windows" "--window web" "--window package" "--gentle web" \
            "--gentle package" "--flashing web" "--gentle --flashing" "--window record" \
            "record film"; do
  run $pair >"$work/pair" 2>&1
  check "$pair ends with status 2" [ $? -eq 2 ]
  check "$pair says why" contains "$work/pair" "${pair%% *}"
done

# The first build and a capture, into a file: plain lines, no carriage-return redraws.
run record 6 >"$work/first" 2>&1
status=$?
tail -5 "$work/first"
check "a first headless run succeeds" [ $status -eq 0 ]
check "the first run says it builds" contains "$work/first" \
  "Building quenthor quenthor-capture quenthor-assets in build-run/"
check "the build ends with a line of its steps" \
  grep -qE '^Built quenthor quenthor-capture quenthor-assets in build-run/: [0-9]+ steps\.$' "$work/first"
check "the capture counts its seconds" contains "$work/first" "quenthor-capture: 6 of 6 s of show made"
check "into a file, no line is redrawn" no_carriage_return "$work/first"
check "into a file, a line a second of show" \
  [ "$(grep -c '^quenthor-capture: [0-9]* of 6 s of show made' "$work/first")" -eq 6 ]
check "the run names its video" contains "$work/first" "Video with sound: $work/clone/build-run/quenthor-show.mp4 ("
check "nothing of the tests was built" [ ! -e build-run/tests ]
video=build-run/quenthor-show.mp4
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$video" 2>/dev/null)
check "the video lasts the six seconds asked (${length:-none})" \
  awk -v l="${length:-0}" 'BEGIN { exit !(l >= 5.5 && l <= 6.5) }'
# Ten frames a second, each shrunk to 8x6: white ones, and ones with the picture's colours, from
# the show's first frame on; the screen is white before it.
frames=$(ffmpeg -v error -i "$video" -vf fps=10,scale=8:6 -f rawvideo -pix_fmt rgb24 - |
         od -An -v -tu1 -w144 |
         awk '{ low = 255; high = 0; for (i = 1; i <= NF; i++) { if ($i < low) low = $i; if ($i > high) high = $i }
                if (!shown && low > 225) next
                shown = 1
                if (low > 225) white++; else if (high > 60) picture++ }
              END { print white + 0, picture + 0 }')
read -r white picture <<<"$frames"
check "the video shows white frames ($white)" [ "${white:-0}" -ge 5 ]
check "the video shows the pictures ($picture)" [ "${picture:-0}" -ge 5 ]
loudest=$(ffmpeg -i "$video" -af volumedetect -vn -f null - 2>&1 | sed -n 's/.*max_volume: \(.*\) dB/\1/p')
check "the video's sound is not silent (max ${loudest:-none} dB)" \
  awk -v v="${loudest:--100}" 'BEGIN { exit !(v > -20) }'
"$flash_check" "$video" >"$work/flashes" 2>&1
check "the flash checker finds the show's strobe too much (status 1)" [ $? -eq 1 ]

# Gentle mode, as GNOME's setting asks, filmed in a window on a virtual display (the desktop's
# own path, which the capture's tests stand for elsewhere): under three flashes a second, and
# still the show.
stand_in gsettings false
run film 10 --window >"$work/gentle" 2>&1
check "a gentle filming succeeds" [ $? -eq 0 ]
check "it says the desktop chose gentle mode" contains "$work/gentle" \
  "Gentle mode, without the flashing: GNOME's animations are off"
"$flash_check" "$video" --pictures build-run/show >"$work/gentle-flashes" 2>&1
status=$?
cat "$work/gentle-flashes"
check "the gentle recording passes the flash checker, flashes and likeness" [ $status -eq 0 ]
check "it was checked for likeness" contains "$work/gentle-flashes" "likeness: pass"
rm -f "$work/bin/gsettings"

# The Debian package, from the build just made (tests/package checks what is in it).
run package >"$work/package" 2>&1
check "package succeeds" [ $? -eq 0 ]
deb=$(sed -n 's/^Debian package: \(.*\.deb\) (.*/\1/p' "$work/package")
check "package names its file (${deb:-none})" \
  grep -qE "^$work/clone/build-run/quenthor_[0-9.]+_amd64\.deb\$" <<<"$deb"
check "the package is there" [ -s "$deb" ]

# A screen the show refuses: status 1, and words on what to check.
run --layout pal8 record 3 >"$work/refused" 2>&1
check "a refused screen ends with status 1" [ $? -eq 1 ]
check "a refused screen is explained" contains "$work/refused" "it could not take the screen"
check "the explanation names the layout setting" contains "$work/refused" "QUENTHOR_DISPLAY_LAYOUT"

# A song that isn't one: the library's line, then where the song goes and how to write it again.
head -c 4096 /dev/urandom >build-run/show/Terminal.s3m
run record 3 >"$work/song" 2>&1
check "a broken song ends with status 1" [ $? -eq 1 ]
check "the library's message is shown" contains "$work/song" "Unknown file format"
check "the song's place is named" contains "$work/song" "$work/clone/build-run/show/Terminal.s3m"
check "the way to write it again is named" contains "$work/song" "build-run/quenthor-assets"

summary
