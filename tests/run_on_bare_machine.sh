#!/bin/sh
# ./run on a machine with only the build packages: the test packages' CMake
# files are hidden from a fresh build folder, and `./run Hello` must still
# build and write output.png. The first run says in one line that it builds;
# a second run, with nothing to build, says nothing.
#   run_on_bare_machine.sh SOURCE_DIR
set -eu
src=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/work"
cd "$scratch/work"
export DEXMORA_RUN_BUILD_DIR="$scratch/build"
export DEXMORA_RUN_CMAKE_ARGS="-DCMAKE_DISABLE_FIND_PACKAGE_ZXing=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"
"$src/run" Hello 2>"$scratch/first.err"
test -s output.png
head -c 8 output.png | od -An -c | grep -q 'P   N   G'
if [ "$(cat "$scratch/first.err")" != "building dexmora (first time: about a minute)…" ]; then
  echo "the first ./run said:" >&2
  cat "$scratch/first.err" >&2
  exit 1
fi
rm output.png
"$src/run" Hello 2>"$scratch/second.err"
test -s output.png
if [ -s "$scratch/second.err" ]; then
  echo "./run with nothing to build said:" >&2
  cat "$scratch/second.err" >&2
  exit 1
fi
echo "./run Hello wrote output.png without the test packages, saying once that it built"
