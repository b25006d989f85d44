#!/usr/bin/env bash
# The virtual display and the private sound server as the scripts start them, with stand-ins
# that never answer: each start gives up with its message and stops the server it started, so
# that nothing is left running (its caller never learnt the pid), and a script that wraps a
# command in a server ends with the failure.
# Usage: servers_test.sh SOURCE_TREE
set -uo pipefail
scripts=$(realpath "$1")/scripts
work=$(mktemp -d)
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

summary
