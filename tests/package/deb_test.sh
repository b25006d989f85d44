#!/usr/bin/env bash
# The Debian package as a person meets it: made by CPack from this build (the shipped Release
# build: tests/package/packages_test.sh runs this), passed by lintian with nothing to report,
# installed with dpkg where the tests run as root (else unpacked with dpkg-deb), started through
# its launcher on a virtual display, the strobe seen in the pictures' own colours, ended with
# Escape, a video made with --record, and removed without leaving a file behind.
# Usage: deb_test.sh BUILD_DIR SOURCE_TREE VERSION
set -uo pipefail
build=$(realpath "$1")
source_tree=$(realpath "$2")
version=$3
work=$(mktemp -d)
source "$source_tree/tests/checks.sh"
source "$source_tree/scripts/virtual-display"

installed=
pids=()
# The display's pid is set the moment it starts: an interrupt while it comes up stops it too.
display_pid=
cleanup() {
  for pid in "${pids[@]}" $display_pid; do kill "$pid" 2>/dev/null; done
  # A run stopped half-way must not leave the package on the machine.
  [ -z "$installed" ] || dpkg -r quenthor >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# The package, from what this build has made.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "cpack failed" >&2; exit 1; }
deb=$work/out/quenthor_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { cat "$work/cpack.log"; echo "no $deb" >&2; exit 1; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
check "section games" [ "$(field Section)" = games ]
check "priority optional" [ "$(field Priority)" = optional ]
check "a maintainer" grep -qE '^[^<]+ <[^@>]+@[^>]+>$' <<<"$(field Maintainer)"
depends=$(field Depends)
for library in libsdl2-2.0-0 libopenmpt0 libc6; do
  check "depends on $library (${depends:-nothing})" grep -qE "(^|, )$library( |,|$)" <<<"$depends"
done

# Every tag counts, the informational and pedantic ones too (the hardening tags are among them).
lintian --display-info --pedantic --fail-on error,warning,info,pedantic "$deb" \
  >"$work/lintian" 2>"$work/lintian.err"
check "lintian passes it" [ $? -eq 0 ]
check "lintian reports nothing" [ ! -s "$work/lintian" ]
cat "$work/lintian"

# Installed as a user installs it, where we may; otherwise unpacked where we are.
if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W -f='${db:Status-Status}' quenthor 2>/dev/null |
                           grep -qx installed; then
  mode=installed
  # Which of the package's paths were there before it (shared folders such as /usr/games).
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | grep . |
    while read -r path; do [ ! -e "$path" ] || echo "$path"; done >"$work/there-before"
  installed=1
  if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    # Its run-time libraries may be missing on a fresh machine: apt brings them.
    DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq >>"$work/dpkg.log" 2>&1
  fi
  state=$(dpkg-query -W -f='${db:Status-Status}' quenthor 2>/dev/null)
  check "dpkg installs it (${state:-unknown})" [ "$state" = installed ]
  if [ "$state" = installed ]; then echo "Installed with dpkg."; else cat "$work/dpkg.log"; fi
  root=
else
  mode=unpacked
  echo "Not root, or quenthor already installed: testing an unpacked copy."
  dpkg-deb -x "$deb" "$work/root"
  root=$work/root
fi
launcher=$root/usr/games/quenthor
data=$root/usr/share/games/quenthor

# The programs as shipped are hardened as Debian hardens its own (the top CMakeLists.txt): each
# mark as readelf shows it. Stack-clash protection leaves none to read.
for program in quenthor quenthor-capture; do
  readelf -W --file-header --program-headers --dynamic --dyn-syms \
    "$root/usr/lib/games/quenthor/$program" >"$work/readelf" 2>&1
  while IFS='|' read -r what pattern; do
    check "$program: $what" grep -qE "$pattern" "$work/readelf"
  done <<'TABLE'
position-independent|Type: +DYN .*Position-Independent|Flags: .*\bPIE\b
relocations bound at the start|\(FLAGS\) +BIND_NOW|Flags: .*\bNOW\b
relocations made read-only|\bGNU_RELRO\b
a stack protector|\bUND __stack_chk_fail@
checked memory and string calls|\bUND __[a-z]+_chk@
TABLE
done

# The launcher's own options.
"$launcher" --frobnicate >"$work/unknown" 2>&1
check "an unknown option ends with status 2" [ $? -eq 2 ]
check "an unknown option is named" contains "$work/unknown" "unknown option '--frobnicate'"
"$launcher" --help >"$work/help" 2>&1
check "--help succeeds" [ $? -eq 0 ]
check "--help warns of the flashing" contains "$work/help" "flashes rapidly"
check "--help offers --window" contains "$work/help" "--window"
check "the desktop entry offers the show in a window" \
  grep -qx 'Exec=/usr/games/quenthor --window' "$root/usr/share/applications/quenthor.desktop"
check "--help offers gentle mode" contains "$work/help" "--gentle"
check "the desktop entry offers the show without flashing" \
  grep -qx 'Exec=/usr/games/quenthor --gentle' "$root/usr/share/applications/quenthor.desktop"
check "the desktop entry names that action" \
  grep -qx 'Name=Play without flashing' "$root/usr/share/applications/quenthor.desktop"
check "the package recommends ffmpeg, for --record" [ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ]

# A video of the show, named from where the launcher was started: two seconds, 120 frames.
(cd "$work" && "$launcher" --flashing --record short.mkv 2) >"$work/record.out" 2>&1
check "--record makes its video (status $?)" [ -s "$work/short.mkv" ]
check "the video holds 120 frames" [ "$(ffprobe -v error -count_frames -select_streams v \
  -show_entries stream=nb_read_frames -of csv=p=0 "$work/short.mkv")" = 120 ]
"$launcher" --window --record "$work/refused.mkv" >"$work/record-window.out" 2>&1
check "--record with --window ends with status 2" [ $? -eq 2 ]

# The pictures and the song are the ones our asset tool writes.
"$build/quenthor-assets" "$work/expected"
for asset in min.raw min2.raw min3.raw Terminal.s3m; do
  check "the package's $asset is ours" cmp -s "$data/$asset" "$work/expected/$asset"
done

# What each screenshot may show, as the 640x480 screen shows the 320x240 frame: black, white,
# or one of our pictures (blue, green, red, extra byte) doubled, in RGB.
frame_bytes=$((640 * 480 * 3))
head -c $frame_bytes /dev/zero >"$work/black.rgb"
tr '\0' '\377' <"$work/black.rgb" >"$work/white.rgb"
for image in min min2 min3; do
  convert -size 320x240 -depth 8 "bgra:$work/expected/$image.raw" -alpha off -sample 640x480 \
    -depth 8 "rgb:$work/$image.rgb"
done
classify() {
  local seen
  for seen in black white min min2 min3; do
    if cmp -s "$1" "$work/$seen.rgb"; then echo "$seen"; return; fi
  done
  echo other
}

# A desktop whose own settings ask for reduced motion: KDE Plasma's animation speed at instant.
mkdir -p "$work/kde"
printf '[KDE]\nAnimationDurationFactor=0\n' >"$work/kde/kdeglobals"

# The launcher started from elsewhere: it finds the show's files itself. --flashing wins over
# the desktop's reduced-motion setting.
start_virtual_display 640x480 "$work" || { echo "FAILED: no virtual display" >&2; exit 1; }
(cd / && DISPLAY="$screen" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" \
   XDG_CONFIG_HOME="$work/kde" exec "$launcher" --flashing) >"$work/show.out" 2>&1 &
show=$!
pids+=("$show")
# Screenshots from the first strobe frame on, for two and a half seconds: within image 1's four.
seen=
strobe_from=
start=$EPOCHREALTIME
while :; do
  now=$EPOCHREALTIME
  if [ -n "$strobe_from" ]; then
    awk -v a="$strobe_from" -v b="$now" 'BEGIN { exit !(b - a < 2.5) }' || break
  else
    awk -v a="$start" -v b="$now" 'BEGIN { exit !(b - a < 10) }' || break
  fi
  import -display "$screen" -window root -depth 8 "rgb:$work/shot.rgb" 2>/dev/null
  shot=$(classify "$work/shot.rgb")
  case "$shot" in white | min) [ -n "$strobe_from" ] || strobe_from=$now ;; esac
  # Before its first frame the screen is Xvfb's own background, or black.
  [ -n "$strobe_from" ] && seen+="$shot "
done
# end_show: presses Escape and waits up to five seconds for the show to end; sets `status`
# (empty while it still runs).
end_show() {
  DISPLAY=$screen xdotool key Escape
  status=
  for _ in $(seq 50); do
    if ! kill -0 "$show" 2>/dev/null; then
      wait "$show"
      status=$?
      return
    fi
    sleep 0.1
  done
}
running=0
kill -0 "$show" 2>/dev/null && running=1
end_show
check "the show was still running after the screenshots" [ $running -eq 1 ]
check "Escape ends the show, with status 0 (${status:-still running})" [ "${status:-}" = 0 ]
[ "${status:-}" = 0 ] || cat "$work/show.out"

echo "Screenshots from the first strobe frame: $seen"
count() { grep -o "\b$1\b" <<<"$seen" | wc -l; }
check "white phases seen" [ "$(count white)" -ge 3 ]
check "image 1 seen in its own colours" [ "$(count min)" -ge 3 ]
check "nothing but white and image 1" [ "$(count black)$(count other)$(count min2)$(count min3)" = 0000 ]
check "the song played (the mix is not silence)" \
  [ "$(tr -d '\0' <"$work/sound.raw" 2>/dev/null | head -c 1 | wc -c)" -eq 1 ]

# Gentle mode, as the desktop's setting asks where nothing else was asked: three seconds of the
# show without a white phase, image 1 held in its own colours, and Escape ends it.
(cd / && DISPLAY="$screen" SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/kde" \
   exec "$launcher") >"$work/gentle.out" 2>&1 &
show=$!
pids+=("$show")
gentle_seen=
for _ in $(seq 30); do
  sleep 0.1
  import -display "$screen" -window root -depth 8 "rgb:$work/shot.rgb" 2>/dev/null
  gentle_seen+="$(classify "$work/shot.rgb") "
done
end_show
echo "Screenshots of gentle mode: $gentle_seen"
check "gentle mode shows no white phase" [ "$(grep -o '\bwhite\b' <<<"$gentle_seen" | wc -l)" -eq 0 ]
check "gentle mode holds image 1 in its own colours" \
  [ "$(grep -o '\bmin\b' <<<"$gentle_seen" | wc -l)" -ge 10 ]
check "the launcher says the desktop's setting chose gentle mode" contains "$work/gentle.out" \
  "quenthor: gentle mode, without the flashing: KDE Plasma's animations are instant"
check "Escape ends gentle mode, with status 0 (${status:-still running})" [ "${status:-}" = 0 ]

if [ "$mode" = installed ]; then
  dpkg -L quenthor >"$work/listed"
  check "dpkg lists the launcher" grep -qx /usr/games/quenthor "$work/listed"
  dpkg -r quenthor >>"$work/dpkg.log" 2>&1
  check "dpkg removes it" [ $? -eq 0 ]
  installed=
  state=$(dpkg-query -W -f='${db:Status-Status}' quenthor 2>/dev/null)
  check "dpkg no longer knows it (${state:-not at all})" [ "${state:-not-installed}" = not-installed ]
  left=$(grep -vxF -e /. -f "$work/there-before" "$work/listed" |
         while read -r path; do [ ! -e "$path" ] || echo "$path"; done)
  check "nothing of it is left (${left:-nothing})" [ -z "$left" ]
fi

summary
