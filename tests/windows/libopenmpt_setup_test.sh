#!/usr/bin/env bash
# scripts/libopenmpt-windows against a trial apt folder and an empty cache: the build step runs
# no apt at all and names the set-up; the set-up derives a deb-src entry from each Debian deb
# entry (one-line entries with [options] included, other archives left out) and leaves a
# folder that has one alone. Then scripts/deb-src itself on apt folders that trip it: files
# with no active deb line, none that is Debian's, and one only root may write, as a normal user
# with sudo.
# Usage: libopenmpt_setup_test.sh SOURCE_TREE
set -uo pipefail
script=$(realpath "$1")/scripts/libopenmpt-windows
deb_src=$(realpath "$1")/scripts/deb-src
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
expected='# Debian'"'"'s source packages, for the libraries we build from them (scripts/deb-src).
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

# deb-src CASE [RUNNER...]: runs scripts/deb-src on the trial folder $work/CASE/apt (made by
# the caller) with its own temporary folder, noting its status, output and what it leaves.
deb_src_case() {
  local name=$1 case=$work/$1
  shift
  mkdir -p "$case/tmp"
  status=0
  "$@" env PATH="$PATH" TMPDIR="$case/tmp" QUENTHOR_APT_ETC="$case/apt" \
    "$deb_src" >"$case/out" 2>"$case/err" || status=$?
  made=$case/apt/sources.list.d/quenthor-deb-src.sources
  left=$(cd "$case" && find tmp apt -name '*.new' -o -path 'tmp/*' | tr '\n' ' ')
  [ -z "$left" ] || fail "$name: deb-src left $left behind"
}
debian_stanza='Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main'

# Only comments in sources.list, and a .list with no active deb line: the deb822 file still
# gives its entry.
mkdir -p "$work/comments/apt/sources.list.d"
printf '# deb http://deb.debian.org/debian bookworm main\n' >"$work/comments/apt/sources.list"
printf '# nothing here\n\n' >"$work/comments/apt/sources.list.d/old.list"
echo "$debian_stanza" >"$work/comments/apt/sources.list.d/debian.sources"
deb_src_case comments
[ "$status" -eq 0 ] || fail "comments: deb-src failed ($status): $(cat "$work/comments/err")"
grep -qx 'Types: deb-src' "$made" 2>/dev/null || fail "comments: no deb-src entry made"

# Nothing of Debian's: a failure that says why, and no file made.
mkdir -p "$work/none/apt/sources.list.d"
printf '# deb http://deb.debian.org/debian bookworm main\n' >"$work/none/apt/sources.list"
deb_src_case none
[ "$status" -eq 1 ] || fail "none: deb-src ended with $status, not 1"
grep -q "no Debian deb entry found" "$work/none/err" ||
  fail "none: deb-src doesn't say why: $(cat "$work/none/err")"
[ ! -e "$made" ] || fail "none: deb-src made $made"

# A normal user, a folder only root may write, and sudo: the entry is written through sudo,
# never as the user. The stand-in sudo has root's one right here: to write the apt folder while
# the command runs. Run as root, the case runs as nobody.
user=$work/user
mkdir -p "$user/apt/sources.list.d" "$user/bin" "$user/tmp"
echo "$debian_stanza" >"$user/apt/sources.list.d/debian.sources"
cat >"$user/bin/sudo" <<SUDO
#!/bin/sh
echo "sudo \$*" >>"$user/sudo-calls"
[ "\$1" = -n ] && shift
chmod u+w "$user/apt/sources.list.d"
"\$@"
status=\$?
chmod u-w "$user/apt/sources.list.d"
exit \$status
SUDO
chmod +x "$user/bin/sudo"
runner=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work" "$work/bin"
  chown -R nobody:nogroup "$user"
  runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 555 "$user/apt/sources.list.d"
PATH=$user/bin:$PATH deb_src_case user "${runner[@]}"
[ "$status" -eq 0 ] || fail "user: deb-src failed ($status): $(cat "$user/err")"
grep -q "^sudo .*install" "$user/sudo-calls" 2>/dev/null ||
  fail "user: the entry was not written through sudo ($(cat "$user/sudo-calls" 2>/dev/null))"
[ "$(stat -c %a "$made" 2>/dev/null)" = 644 ] || fail "user: no entry readable by all"

[ "$failed" -eq 0 ] && echo "libopenmpt-windows set-up: all checks passed"
exit "$failed"
