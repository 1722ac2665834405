#!/bin/sh
# ./run on a machine with only the build packages: the test packages' CMake
# files are hidden from a fresh build folder, and `./run Hello` must still
# build and write output.png.
#   run_on_bare_machine.sh SOURCE_DIR
set -eu
src=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/work"
cd "$scratch/work"
DEXMORA_RUN_BUILD_DIR="$scratch/build" \
DEXMORA_RUN_CMAKE_ARGS="-DCMAKE_DISABLE_FIND_PACKAGE_ZXing=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON" \
  "$src/run" Hello
test -s output.png
head -c 8 output.png | od -An -c | grep -q 'P   N   G'
echo "./run Hello wrote output.png without the test packages"
