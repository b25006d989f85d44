# shellcheck shell=bash
# Sourced by the shell tests: named expectations, counted, and the closing summary.
passed=0
failed=0

check() {  # check DESCRIPTION COMMAND...: one named expectation
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}
contains() { grep -qF -- "$2" "$1"; }

# Prints the counts; succeeds when nothing failed.
summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
