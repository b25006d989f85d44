#!/usr/bin/env bash
# scripts/mutants --list on the tree: every fault kept by hand still matches the source, and
# each system folder has faults generated from it. Then a list with one fault gone stale and a
# note on a generated fault that no longer exists: both are named, the status is 2, and every
# other fault is still listed.
# Usage: mutation_list_test.sh SOURCE_TREE
set -uo pipefail
source=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

"$source/scripts/mutants" --list >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "the list no longer matches the tree (status $status): $(cat "$work/err")"
hand=$(grep -c '^fault ' "$source/scripts/mutants.list")
grep -q "generated from the source, $hand kept by hand)" "$work/out" ||
  fail "not every fault kept by hand is listed: $(tail -n 1 "$work/out")"
for folder in show convert display music; do
  grep -qE "^$folder/[a-z_0-9]+\.(cpp|h):[A-Za-z_0-9.]+:[a-z-]+:[0-9]+ " "$work/out" ||
    fail "no fault generated from $folder/"
done
grep -qE '^[a-z]+/[a-z_0-9]+\.h:k[A-Za-z0-9]+:constant:1 ' "$work/out" ||
  fail "no fault generated from a header's named constants"

# The first fault kept by hand with text that is nowhere in its file, and a note on a routine
# that doesn't exist.
stale=$(grep -m1 '^fault ' "$source/scripts/mutants.list" | cut -d' ' -f2)
awk -v name="$stale" '
  $0 == "fault " name { mark = 1 }
  mark && /^from / { $0 = $0 "~no longer here~"; mark = 0 }
  { print }' "$source/scripts/mutants.list" >"$work/list"
printf '\ngenerated show/run_show.cpp:NoSuchRoutine:lt-to-le:1\nequivalent gone\n' >>"$work/list"
"$source/scripts/mutants" --list --faults "$work/list" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 2 ] || fail "a list that no longer matches ends with status $status, not 2"
grep -q "^  $stale (" "$work/err" || fail "the stale fault $stale isn't named: $(cat "$work/err")"
grep -q "NoSuchRoutine:lt-to-le:1: no such generated fault" "$work/err" ||
  fail "the note on a missing generated fault isn't reported: $(cat "$work/err")"
grep -q "generated from the source, $((hand - 1)) kept by hand)" "$work/out" ||
  fail "the other faults aren't all listed: $(tail -n 1 "$work/out")"

[ "$failed" -eq 0 ] && echo "mutation list: every check passed"
exit "$failed"
