#!/usr/bin/env bash
# The site comes out byte-identical from two builds of the same sources in two different folders:
# tests/web/same-site-twice.sh SITE builds the sources of this checkout (what git tracks, and new
# files it doesn't ignore) again in a scratch folder elsewhere and compares that site with SITE.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
site=$(cd "${1:?usage: same-site-twice.sh SITE}" && pwd)
scratch=$(mktemp -d /tmp/quenthor-site-again.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
copy=$scratch/elsewhere/sources
mkdir -p "$copy"
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
   xargs -0 -I{} sh -c '[ -f "$1" ] && echo "$1" || true' _ {} | tar -cf - -T -) | tar -xf - -C "$copy"
# The copy has no git history: it takes the checkout's commit time, as the first build did.
SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct)
export SOURCE_DATE_EPOCH
# The same libopenmpt (the shared cache's), so that only our own build is compared.
libraries=$("$here/scripts/web-libraries")
echo "Building the site again in $copy ..."
(cd "$copy" && cmake --preset web -DQUENTHOR_WEB_LIBRARIES="$libraries" >"$scratch/configure.log" 2>&1 &&
   cmake --build --preset web -j "${JOBS:-2}" >"$scratch/build.log" 2>&1) ||
  { tail -n 30 "$scratch/configure.log" "$scratch/build.log" 2>/dev/null; echo "FAIL: the second build failed" >&2; exit 1; }
if diff -r -q "$site" "$copy/build-web/site"; then
  echo "PASS: the site is byte-identical ($(find "$site" -type f | wc -l) files)"
else
  echo "FAIL: the site differs between two builds of the same sources (see above)" >&2
  exit 1
fi
