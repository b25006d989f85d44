#!/usr/bin/env bash
# What we ship, as it is shipped: the Debian package (the run preset's hardened Release build,
# as ./run package makes it) and the Windows zip (the windows preset's, as ./run windows makes
# it), each built twice from this tree's files copied into two folders of different names and
# depths, must come out byte for byte the same. Then the first .deb goes through deb_test.sh:
# lintian, install, run, remove.
# Only the package targets are built; the Windows one uses the cached libopenmpt (run
# `scripts/libopenmpt-windows --set-up` first; ./test does).
# Usage: packages_test.sh SOURCE_TREE [deb] [windows]   (both when none is named)
set -uo pipefail
source_tree=$(realpath "$1")
shift
kinds=("${@:-deb}")
[ $# -gt 0 ] || kinds=(deb windows)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$source_tree/tests/checks.sh"
jobs=${PACKAGE_JOBS:-2}

# The commit's time, given to both set-ups alike, as a tree without git needs it; the builds
# themselves must carry it from there.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_tree" log -1 --format=%ct)}
unset SOURCE_DATE_EPOCH
copies=("$work/one/quenthor" "$work/second-copy/of/the/tree")
for copy in "${copies[@]}"; do
  mkdir -p "$copy"
  # The tree as it is, committed or not, without its build folders.
  (cd "$source_tree" && git ls-files -z --cached --others --exclude-standard |
     tar --null -T - -cf -) | tar -x -C "$copy" ||
    { echo "copying the tree to $copy failed" >&2; exit 1; }
done

# build KIND COPY: the package in COPY; prints its path.
build() {
  local log=$2.$1.log
  case "$1" in
    deb)
      (cd "$2" && SOURCE_DATE_EPOCH=$epoch cmake --preset run &&
         cmake --build --preset run -j "$jobs" --target package) >"$log" 2>&1 &&
        ls "$2"/build-run/quenthor_*.deb ;;
    windows)
      (cd "$2" && SOURCE_DATE_EPOCH=$epoch cmake --preset windows -DQUENTHOR_TESTS=OFF &&
         cmake --build --preset windows -j "$jobs" --target windows_package) >"$log" 2>&1 &&
        ls "$2"/build-windows/quenthor-*-windows.zip ;;
  esac || { tail -n 30 "$log" >&2; return 1; }
}

# members KIND PACKAGE: each member's name, size and checksum, to say what differs.
members() {
  local folder
  folder=$(mktemp -d "$work/members.XXXXXX")
  case "$1" in
    deb) dpkg-deb --ctrl-tarfile "$2" | tar -tv --full-time; dpkg-deb --fsys-tarfile "$2" | tar -tv --full-time
         dpkg-deb -R "$2" "$folder" ;;
    windows) unzip -Zl "$2"; (cd "$folder" && unzip -oq "$2") ;;
  esac
  (cd "$folder" && find . -type f -exec sha256sum {} + | sort -k 2)
}

for kind in "${kinds[@]}"; do
  made=()
  for copy in "${copies[@]}"; do
    package=$(build "$kind" "$copy") || { check "$kind: the package builds in $copy" false; continue 2; }
    made+=("$package")
  done
  echo "$kind: $(basename "${made[0]}"), $(stat -c %s "${made[0]}") bytes"
  check "$kind: two builds in two folders make the same bytes" cmp "${made[@]}"
  if ! cmp -s "${made[@]}"; then
    diff <(members "$kind" "${made[0]}") <(members "$kind" "${made[1]}") | head -n 40 >&2
  fi
done

# The shipped .deb, met as a user meets it.
if [[ " ${kinds[*]} " == *" deb "* ]] && [ -d "${copies[0]}/build-run" ]; then
  "$source_tree/tests/package/deb_test.sh" "${copies[0]}/build-run" "$source_tree" \
    "$(sed -n 's/^project(Quenthor VERSION \([0-9.]*\).*/\1/p' "$source_tree/CMakeLists.txt")"
  check "the Release package passes the package test" [ $? -eq 0 ]
fi

summary
