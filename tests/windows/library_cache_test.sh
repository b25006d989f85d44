#!/usr/bin/env bash
# The library scripts' shared cache (scripts/library-cache), through scripts/libopenmpt-windows
# and scripts/web-libraries in a copy of the tree, with stand-ins for the compilers, apt and
# cmake (which "builds" by writing the installed files): a build's folder is named after every
# recipe file, the shared libopenmpt list included, so a changed line in any of them asks for a
# new build and a changed comment of a script or CMake file doesn't (in a C or C++ file, a line
# starting with # is a directive, which counts); and a build that fails leaves neither a folder
# nor its work behind.
# Usage: library_cache_test.sh SOURCE_TREE
set -uo pipefail
source_tree=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$source_tree/tests/checks.sh"

tree=$work/tree
mkdir -p "$tree/scripts" "$tree/cmake" "$work/bin"
cp "$source_tree"/scripts/{library-cache,libopenmpt-windows,web-libraries,deb-src} "$tree/scripts/"
cp -r "$source_tree"/cmake/{libopenmpt.cmake,libopenmpt-unread-formats.cpp,libopenmpt-windows} \
  "$source_tree"/cmake/{web-libraries,i686-w64-mingw32.cmake} "$tree/cmake/"

standin() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"; chmod +x "$work/bin/$1"; }
standin i686-w64-mingw32-g++-win32 '[ "$1" = -v ] && echo "Thread model: win32" >&2; echo "stand-in g++ 1"'
standin emcc 'echo "stand-in emcc 1"'
standin emcmake 'exec "$@"'
standin dpkg-source 'exit 0'
standin apt-cache 'echo "Version: 1.0-1"'
standin apt-get 'echo "apt-get must not run" >&2; exit 1'
standin cmake '
case "$1" in
  --build) [ -z "$STANDIN_BUILD_FAILS" ] || exit 1 ;;
  --install)
    prefix=$(cat "$2/prefix")
    mkdir -p "$prefix/lib" "$prefix/include/libopenmpt" "$prefix/licenses"
    touch "$prefix/lib/libopenmpt.a" "$prefix/include/libopenmpt/libopenmpt.h" \
      "$prefix/licenses/libopenmpt.txt" ;;
  *)
    for argument in "$@"; do
      case "$argument" in -B) build=next ;; -DCMAKE_INSTALL_PREFIX=*) prefix=${argument#*=} ;;
        *) [ "$build" != next ] || build=$argument ;; esac
    done
    mkdir -p "$build" && echo "$prefix" >"$build/prefix" ;;
esac'
export PATH=$work/bin:$PATH XDG_CACHE_HOME=$work/cache STANDIN_BUILD_FAILS=
for package in libopenmpt; do
  mkdir -p "$work/cache/quenthor/$package-source/1.0-1/$package-1.0"
  touch "$work/cache/quenthor/$package-source/1.0-1/complete"
done

differs() { [ -n "$1" ] && [ "$1" != "$2" ]; }
built() {  # built SCRIPT: the folder the script prints
  "$tree/scripts/$1" 2>>"$work/log"
}

# Each script, and every file its build is made from.
while read -r script files; do
  first=$(built "$script")
  check "$script prints a built folder ($first)" [ -f "$first/lib/libopenmpt.a" ]
  check "$script: a second run prints the same folder" [ "$(built "$script")" = "$first" ]
  for file in $files; do
    cp "$tree/$file" "$work/kept"
    case "$file" in
      *.cmake | *.txt) line='set(changed 1)' ;;
      *.c | *.cpp | *.h) line='#undef CHANGED' ;;
      *) line=': changed' ;;
    esac
    case "$file" in
      *.c | *.cpp | *.h) ;;
      *)
        echo "# a reworded comment" >>"$tree/$file"
        check "$script: a comment in $file changes nothing" [ "$(built "$script")" = "$first" ] ;;
    esac
    echo "$line" >>"$tree/$file"
    changed=$(built "$script")
    check "$script: a line of $file asks for a new build" differs "$changed" "$first"
    cp "$work/kept" "$tree/$file"
  done
done <<'TABLE'
libopenmpt-windows cmake/libopenmpt.cmake cmake/libopenmpt-windows/CMakeLists.txt cmake/i686-w64-mingw32.cmake scripts/libopenmpt-windows scripts/library-cache
web-libraries cmake/libopenmpt.cmake cmake/libopenmpt-unread-formats.cpp cmake/web-libraries/CMakeLists.txt scripts/web-libraries scripts/library-cache
TABLE

# A build that fails: no folder, no work left, and the failure is the script's.
echo "set(failing 1)" >>"$tree/cmake/libopenmpt.cmake"
for script in libopenmpt-windows web-libraries; do
  before=$(ls "$work/cache/quenthor")
  STANDIN_BUILD_FAILS=1 "$tree/scripts/$script" >"$work/out" 2>>"$work/log"
  check "$script: a failed build fails" [ $? -ne 0 ]
  check "$script: a failed build prints no folder" [ ! -s "$work/out" ]
  check "$script: a failed build leaves nothing in the cache" [ "$(ls "$work/cache/quenthor")" = "$before" ]
done

summary || { cat "$work/log"; exit 1; }
