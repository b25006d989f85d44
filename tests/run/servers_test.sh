#!/usr/bin/env bash
# The virtual display and the private sound server as the scripts start them, with stand-ins
# that never answer: each start gives up with its message and stops the server it started, so
# that nothing is left running (its caller never learnt the pid), and a script that wraps a
# command in a server ends with the failure. Then the package set-up, with stand-ins for apt.
# Usage: servers_test.sh SOURCE_TREE
set -uo pipefail
scripts=$(realpath "$1")/scripts
work=$(mktemp -d) || exit 1  # everything below writes under it, some of it as root
source "$(dirname "$0")/../checks.sh"
cleanup() {
  local pid
  for pid in $(cat "$work"/*.pids 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# Stand-ins slow to answer: each notes its pid, then waits without answering.
mkdir -p "$work/bin"
for server in Xvfb pulseaudio; do
  printf '#!/bin/sh\necho $$ >>"%s/%s.pids"\nexec sleep 600\n' "$work" "$server" >"$work/bin/$server"
  chmod +x "$work/bin/$server"
done
printf '#!/bin/sh\nexit 1\n' >"$work/bin/pactl"
chmod +x "$work/bin/pactl"
export PATH=$work/bin:$PATH QUENTHOR_SERVER_START_SECONDS=1

still_running() {  # still_running SERVER: the stand-in's pids that still run
  local pid
  for pid in $(cat "$work/$1.pids" 2>/dev/null); do
    ! kill -0 "$pid" 2>/dev/null || echo "$pid"
  done
}

# Each start as a caller under `set -e` runs it.
while IFS='|' read -r server script call message; do
  : >"$work/$server.pids"
  mkdir -p "$work/$server-folder"
  bash -c "set -euo pipefail; source '$scripts/$script'; $call '$work/$server-folder'" \
    >"$work/$server.out" 2>&1
  status=$?
  check "$server: a start that gets no answer fails" [ "$status" -ne 0 ]
  check "$server: it says so" contains "$work/$server.out" "$message"
  check "$server: the stand-in was started" [ -s "$work/$server.pids" ]
  left=$(still_running "$server")
  check "$server: nothing left running (${left:-nothing})" [ -z "$left" ]
done <<'TABLE'
Xvfb|virtual-display|start_virtual_display 640x480|Xvfb didn't start.
pulseaudio|null-sound-server|start_null_sound_server|The private sound server didn't start
TABLE

# A command wrapped in the sound server: not run, and the failure is its caller's; nothing is
# left behind, neither when the server never answers nor when the wrapper is stopped while it
# waits for it.
mkdir -p "$work/tmp"
: >"$work/pulseaudio.pids"
TMPDIR=$work/tmp "$scripts/with-null-sound-server" touch "$work/ran" >"$work/with.out" 2>&1
check "with-null-sound-server fails without a server" [ $? -ne 0 ]
check "with-null-sound-server doesn't run the command" [ ! -e "$work/ran" ]
left=$(still_running pulseaudio)
check "with-null-sound-server leaves nothing running (${left:-nothing})" [ -z "$left" ]
check "with-null-sound-server leaves no folder ($(ls "$work/tmp"))" [ -z "$(ls -A "$work/tmp")" ]
: >"$work/pulseaudio.pids"
QUENTHOR_SERVER_START_SECONDS=60 TMPDIR=$work/tmp \
  "$scripts/with-null-sound-server" touch "$work/ran" >"$work/with.out" 2>&1 &
wrapper=$!
for _ in $(seq 100); do [ ! -s "$work/pulseaudio.pids" ] || break; sleep 0.1; done
kill -TERM "$wrapper"
wait "$wrapper"
check "with-null-sound-server stopped while it waits ends with the failure" [ $? -ne 0 ]
left=$(still_running pulseaudio)
check "with-null-sound-server stopped leaves nothing running (${left:-nothing})" [ -z "$left" ]
check "with-null-sound-server stopped leaves no folder ($(ls "$work/tmp"))" [ -z "$(ls -A "$work/tmp")" ]

# The package set-up (ensure-packages, deb-src) with stand-ins for apt-get, apt-cache, dpkg and
# dpkg-query, run as root in a mount namespace of its own where a copy of apt's lists stands at
# /var/lib/apt/lists: an update that fails is asked again, after the pause, with apt's own
# options; apt's folder is never written, neither then nor when the script is stopped part-way;
# a package that can't be installed is named, with the command to run.
apt=$work/apt
mkdir -p "$apt/bin" "$apt/lists/partial"
printf 'Origin: Debian\n' >"$apt/lists/deb.debian.org_debian_dists_bookworm_InRelease"
printf 'Package: dpkg\n' >"$apt/lists/deb.debian.org_debian_dists_bookworm_main_binary-amd64_Packages"
echo 'deb-src http://deb.debian.org/debian bookworm main' >"$apt/sources.list"
# apt-get: each call noted; an update fails while update-failures counts down; the update whose
# number hang-at holds never ends; an install fails where install-fails is. apt-cache knows
# source packages once an update has come through.
cat >"$apt/bin/apt-get" <<STAND_IN
#!/bin/sh
echo "apt-get \$*" >>"$apt/calls"
case " \$* " in
  *" update "*)
    [ "\$(grep -c ' update ' "$apt/calls")" != "\$(cat "$apt/hang-at" 2>/dev/null)" ] ||
      exec sleep 600
    failures=\$(cat "$apt/update-failures")
    [ "\$failures" -gt 0 ] || { : >"$apt/updated"; exit 0; }
    echo \$((failures - 1)) >"$apt/update-failures"
    echo "E: Failed to fetch i386 Packages  File has unexpected size (Mirror sync in progress?)" >&2
    exit 100 ;;
  *" install "*) [ ! -e "$apt/install-fails" ] || { echo "E: Unable to locate package" >&2; exit 100; } ;;
esac
STAND_IN
printf '#!/bin/sh\n[ ! -e "%s/updated" ] || echo "Version: 1.21"\n' "$apt" >"$apt/bin/apt-cache"
printf '#!/bin/sh\n[ "$1" != --print-architecture ] || echo amd64\n' >"$apt/bin/dpkg"
printf '#!/bin/sh\nexit 1\n' >"$apt/bin/dpkg-query"
chmod +x "$apt/bin"/*
listing() { (cd "$apt/lists" && find . -printf '%p %s %T@\n' | sort && cat ./*Release*); }
listing >"$apt/before"
private=(unshare -rm bash -c 'mount --bind "$1" /var/lib/apt/lists && shift && exec "$@"' private
         "$apt/lists" env PATH="$apt/bin:$PATH" TMPDIR="$work/tmp" QUENTHOR_APT_RETRY_SECONDS=0
         QUENTHOR_APT_ETC="$apt")
if ! unshare -rm true 2>/dev/null; then
  echo "The package set-up's rows need a mount namespace of their own (unshare -rm): not run." >&2
else
  while IFS='|' read -r what failures install_fails script status message; do
    rm -f "$apt/calls" "$apt/updated" "$apt/install-fails"
    echo "$failures" >"$apt/update-failures"
    [ -z "$install_fails" ] || : >"$apt/install-fails"
    "${private[@]}" "$scripts/$script" quenthor-one quenthor-two:i386 >"$apt/out" 2>&1
    check "$what: status $status" [ $? -eq "$status" ]
    check "$what: says \"$message\"" contains "$apt/out" "$message"
    updates=$(grep -c ' update --error-on=any$' "$apt/calls")
    check "$what: $((failures > 0 ? 2 : 1)) updates ($updates)" [ "$updates" -eq $((failures > 0 ? 2 : 1)) ]
    check "$what: each waits for apt's lock" \
      [ "$(grep -c -- '-o DPkg::Lock::Timeout=600 .*update --error-on=any$' "$apt/calls")" -eq "$updates" ]
    check "$what: the second asks past caches" \
      grep -q -- '-o Acquire::http::No-Cache=true update --error-on=any$' <(sed -n 2p "$apt/calls")
    check "$what: apt's folder as it was" cmp -s "$apt/before" <(listing)
  done <<'TABLE'
an update that fails once|1||ensure-packages|0|asking again in 0 s
an update that fails twice|2||ensure-packages|0|installing from the package lists it has
a package that can't be installed|2|yes|ensure-packages|1|apt-get update && apt-get install -y --no-install-recommends quenthor-one quenthor-two:i386
source lists after a failed update|1||deb-src|0|asking again in 0 s
TABLE

  # Stopped part-way, in the update asked again: apt's folder as it was, nothing of ours left.
  : >"$apt/calls"
  echo 1 >"$apt/update-failures"
  echo 2 >"$apt/hang-at"
  setsid "${private[@]}" "$scripts/ensure-packages" quenthor-one >"$apt/out" 2>&1 &
  group=$!
  for _ in $(seq 100); do [ "$(grep -c ' update --error-on=any$' "$apt/calls")" -lt 2 ] || break; sleep 0.1; done
  check "stopped part-way: it got to the second update" [ "$(grep -c ' update --error-on=any$' "$apt/calls")" -eq 2 ]
  kill -TERM -- -"$group"
  wait "$group"
  check "stopped part-way: ends with the failure" [ $? -ne 0 ]
  check "stopped part-way: no install" [ "$(grep -c ' install ' "$apt/calls")" -eq 0 ]
  check "stopped part-way: apt's folder as it was" cmp -s "$apt/before" <(listing)
  check "stopped part-way: nothing of ours left ($(ls "$work/tmp"))" [ -z "$(ls -A "$work/tmp")" ]
fi

summary
