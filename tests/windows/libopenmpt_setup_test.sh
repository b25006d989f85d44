#!/usr/bin/env bash
# scripts/libopenmpt-windows against a trial apt folder and an empty cache: the build step runs
# no apt at all and names the set-up; the set-up derives a deb-src entry from each Debian deb
# entry (one-line entries with [options] included, other archives left out) and leaves a
# folder that has one alone.
# Usage: libopenmpt_setup_test.sh SOURCE_TREE
set -uo pipefail
script=$(realpath "$1")/scripts/libopenmpt-windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

# apt-get and apt-cache that only note that they were called.
mkdir -p "$work/bin" "$work/apt/sources.list.d" "$work/cache"
for tool in apt-get apt-cache; do
  printf '#!/bin/sh\necho "%s $*" >>"%s/apt-calls"\n' "$tool" "$work" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
export PATH=$work/bin:$PATH XDG_CACHE_HOME=$work/cache QUENTHOR_APT_ETC=$work/apt

cat >"$work/apt/sources.list" <<'LIST'
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main contrib
  deb http://security.debian.org/debian-security bookworm-security main
deb [signed-by=/etc/apt/other.gpg] https://packages.example.com/apt stable main
# deb http://deb.debian.org/debian sid main
LIST
cat >"$work/apt/sources.list.d/debian.sources" <<'STANZAS'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-updates
Components: main
Architectures: amd64
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: https://deb.nodesource.com/node_20.x
Suites: nodistro
Components: main
STANZAS

# The build step: no source cached, so it stops and says how to get one, without apt.
if "$script" >"$work/out" 2>"$work/err"; then fail "the build step succeeded with no source cached"; fi
grep -q -- "--set-up" "$work/err" || fail "the build step doesn't name --set-up: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "the build step printed a folder: $(cat "$work/out")"
[ ! -e "$work/apt-calls" ] || fail "the build step ran apt: $(cat "$work/apt-calls")"

# The set-up: the deb-src entries, and nothing else yet.
"$script" --set-up 2>"$work/err" || fail "the set-up failed: $(cat "$work/err")"
made=$work/apt/sources.list.d/quenthor-deb-src.sources
expected='# Debian'"'"'s source packages, for building libopenmpt for Windows (scripts/libopenmpt-windows).
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://security.debian.org/debian-security
Suites: bookworm-security
Components: main
'
[ "$(cat "$made" 2>/dev/null)" = "${expected%$'\n'}" ] ||
  fail "the deb-src entries differ from the expected ones:
$(diff <(echo "${expected%$'\n'}") "$made" 2>&1)"

# With a deb-src entry there, the set-up goes on to the package lists (apt-cache, here noted
# and answering nothing) and leaves the entries as they are.
cp "$made" "$work/before"
"$script" --set-up >/dev/null 2>&1
cmp -s "$made" "$work/before" || fail "a second set-up rewrote the deb-src entries"
grep -q "^apt-cache showsrc" "$work/apt-calls" 2>/dev/null || fail "the second set-up didn't ask apt for the source"

[ "$failed" -eq 0 ] && echo "libopenmpt-windows set-up: all checks passed"
exit "$failed"
