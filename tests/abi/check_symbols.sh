#!/bin/sh
# check_symbols.sh SYMBOLS LIBRARY: the Debian symbols file SYMBOLS lists
# exactly what LIBRARY exports, as dpkg-gensymbols sees it when it builds
# libdexmora1 (-c4: any symbol new or lost is an error). A symbol the file
# lacks would give the programs that use it too weak a dependency.
set -eu
symbols=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
library=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/package/usr/lib" "$work/run"
cp "$library" "$work/package/usr/lib/libdexmora.so.1"
version=$(sed -n 's/^libdexmora\.so\.1 libdexmora1 .*//p; s/^ .* \([0-9][^ ]*\)$/\1/p' "$symbols" | sort -V | tail -n 1)
if (cd "$work/run" && dpkg-gensymbols -c4 -plibdexmora1 -v"$version" -P"$work/package" -I"$symbols" \
  -O"$work/generated.symbols") >"$work/log" 2>&1; then
  echo "$symbols matches $library"
else
  cat "$work/log" >&2
  echo "$symbols does not match $library: new symbols or lost ones; abi/update.sh rewrites it" >&2
  exit 1
fi
