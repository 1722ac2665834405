#!/bin/sh
# Installs the dev component into a fresh prefix, builds examples/consumer
# against it (CMake package, then pkg-config) and checks that both programs
# write the very picture dexmora-cli writes for the same text.
set -eu
build=$1
source=$2
cli=$3
cmake=$4
cxx=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

"$cmake" --install "$build" --prefix "$prefix" --component dev >/dev/null
if [ -d "$prefix/include/dexmora/classic" ] || [ -n "$(find "$prefix" -name '*classic*')" ]; then
  echo "the internal classic library was installed" >&2
  exit 1
fi

"$cmake" -S "$source/examples/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
"$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }

mkdir "$work/pc-build"
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name dexmora.pc)") \
  make -s -C "$work/pc-build" -f "$source/examples/consumer/Makefile" CXX="$cxx"

failed=0
for text in Hello 0123456789012345 'Dexmora, packaged'; do
  "$cli" -o "$work/expected.png" "$text"
  for program in "$work/cmake-build/encode_to_png" "$work/pc-build/encode_to_png"; do
    "$program" "$text" "$work/got.png" >/dev/null
    if ! cmp -s "$work/expected.png" "$work/got.png"; then
      echo "$program '$text': the picture differs from dexmora-cli's" >&2
      failed=1
    fi
  done
done
[ "$failed" = 0 ] && echo "consumer: CMake and pkg-config builds write dexmora-cli's pictures"
exit "$failed"
