#!/bin/sh
# update.sh [BUILD_DIR]: rebuilds libdexmora.so.1 in BUILD_DIR (default:
# build) and rewrites from it what the abi tests hold the library to:
#   libdexmora.abi        its types and functions (dump.sh)
#   exports.txt           its exported symbols, mangled, with their versions
#   libdexmora1.symbols   the Debian symbols file of the package libdexmora1
# Symbols already in libdexmora1.symbols keep the version that introduced
# them; new ones get the project's current version. README.md says when to
# run it. It prints abidiff's report of the change first.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source=$(dirname "$here")
build=$(cd "${1:-$source/build}" && pwd)
for tool in abidw nm dpkg-gensymbols; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install abigail-tools binutils dpkg-dev)" >&2; exit 1; }
done
grep -qE '^DEXMORA_ABI_CHECK:[A-Z]+=(ON|TRUE|1)$' "$build/CMakeCache.txt" ||
  { echo "$build is not configured with -DDEXMORA_ABI_CHECK=ON (g++, not sanitized): its library has no usable types" >&2; exit 1; }
cmake --build "$build" --target dexmora >/dev/null
library=$build/library/libdexmora.so.1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/dump.sh" "$library" "$source/include/dexmora" "$build/include/dexmora" >"$work/libdexmora.abi"
"$here/exports.sh" "$library" >"$work/exports.txt"

# dpkg-gensymbols reads the library from a package tree and merges the
# existing file, so old symbols keep their versions.
mkdir -p "$work/package/usr/lib" "$work/run"
cp "$library" "$work/package/usr/lib/libdexmora.so.1"
template=""
[ -f "$here/libdexmora1.symbols" ] && template=-I$here/libdexmora1.symbols
(cd "$work/run" && dpkg-gensymbols -q -c0 -plibdexmora1 -v"$version" -P"$work/package" $template \
  -O"$work/libdexmora1.symbols")
grep -q '^\* Build-Depends-Package: libdexmora-dev$' "$work/libdexmora1.symbols" ||
  sed -i '1a * Build-Depends-Package: libdexmora-dev' "$work/libdexmora1.symbols"

# The baseline's text is abidw's, and one changed type renumbers much of it:
# abidiff says what changed.
if [ -f "$here/libdexmora.abi" ]; then
  abidiff "$here/libdexmora.abi" "$work/libdexmora.abi" || true
fi
for file in libdexmora.abi exports.txt libdexmora1.symbols; do
  if cmp -s "$work/$file" "$here/$file"; then
    echo "abi/$file: unchanged"
  else
    mv "$work/$file" "$here/$file"
    echo "abi/$file: rewritten"
  fi
done
