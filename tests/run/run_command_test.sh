#!/usr/bin/env bash
# ./run as a person meets it, from a fresh clone with the packages present: its options, the
# first build's progress, a headless recording (its length, picture and sound), gentle mode's
# recording through the flash checker, and the plain words for a show that ends with status 1.
# Usage: run_command_test.sh SOURCE_TREE FLASH_CHECK
set -uo pipefail
source_tree=$(realpath "$1")
flash_check=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../checks.sh"

no_carriage_return() { ! grep -q $'\r' "$1"; }

# Run with no desktop, as on a fresh server.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QUENTHOR_DISPLAY_LAYOUT -u QUENTHOR_DISPLAY_WINDOW \
    -u QUENTHOR_DISPLAY_GENTLE ./run "$@"
}

git clone -q --no-hardlinks "$source_tree" "$work/clone" || { echo "clone failed" >&2; exit 1; }
cd "$work/clone"

# Options.
run --help >"$work/help" 2>&1
check "--help succeeds" [ $? -eq 0 ]
for option in "record [SECONDS]" windows package "--layout NAME" --window --gentle flashes; do
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
for option in --window --gentle; do
  for other in windows web package; do
    run "$option" "$other" >"$work/$option-$other" 2>&1
    check "$option with $other ends with status 2" [ $? -eq 2 ]
    check "$option with $other says why" contains "$work/$option-$other" "$option"
  done
done

# The first build and a recording, into a file: plain lines, no carriage-return redraws.
run record 6 >"$work/first" 2>&1
status=$?
tail -5 "$work/first"
check "a first headless run succeeds" [ $status -eq 0 ]
check "the first run says it builds" contains "$work/first" "Building quenthor quenthor-assets in build-run/"
check "the build ends with a line of its steps" \
  grep -qE '^Built quenthor quenthor-assets in build-run/: [0-9]+ steps\.$' "$work/first"
check "the recording counts its seconds" contains "$work/first" "Recording the show: 6 of 6 seconds"
check "into a file, no line is redrawn" no_carriage_return "$work/first"
check "into a file, a line every five seconds (0, 5, 6)" \
  [ "$(grep -c '^Recording the show: ' "$work/first")" -eq 3 ]
check "the run names its video" contains "$work/first" "Video with sound: $work/clone/build-run/quenthor-show.mp4 ("
check "nothing of the tests was built" [ ! -e build-run/tests ]
video=build-run/quenthor-show.mp4
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$video" 2>/dev/null)
check "the video lasts the six seconds asked (${length:-none})" \
  awk -v l="${length:-0}" 'BEGIN { exit !(l >= 5.5 && l <= 6.5) }'
# Ten frames a second, each shrunk to 8x6: white ones, and ones with the picture's colours, from
# the show's first frame (black) on; the screen is white before it.
frames=$(ffmpeg -v error -i "$video" -vf fps=10,scale=8:6 -f rawvideo -pix_fmt rgb24 - |
         od -An -v -tu1 -w144 |
         awk '{ low = 255; high = 0; for (i = 1; i <= NF; i++) { if ($i < low) low = $i; if ($i > high) high = $i }
                if (high < 30) shown = 1
                if (!shown) next
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

# Gentle mode, recorded in a window: under three flashes a second, and still the show.
run record 10 --gentle --window >"$work/gentle" 2>&1
check "a gentle recording succeeds" [ $? -eq 0 ]
"$flash_check" "$video" --pictures build-run/show >"$work/gentle-flashes" 2>&1
status=$?
cat "$work/gentle-flashes"
check "the gentle recording passes the flash checker, flashes and likeness" [ $status -eq 0 ]
check "it was checked for likeness" contains "$work/gentle-flashes" "likeness: pass"

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
