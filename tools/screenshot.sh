#!/usr/bin/env bash
# Regenerates docs/dialog.png (the main dialog after writing a symbol) and
# docs/output.png (the picture it wrote) from the real program, drawn on
# Qt's offscreen platform so no display is needed.
#   tools/screenshot.sh            builds into build/
#   DEXMORA_BUILD_DIR=dir tools/screenshot.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DEXMORA_BUILD_DIR:-$root/build}
. "$root/cmake/packages.sh"
# The captions are Chinese: without a CJK font they would draw as boxes.
"$root/cmake/install-deps.sh" $BUILD_PACKAGES fonts-wqy-microhei
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target dexmora-screenshot >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && QT_QPA_PLATFORM=offscreen "$build/bin/dexmora-screenshot" "$work/dialog.png")
mkdir -p "$root/docs"
cp "$work/dialog.png" "$root/docs/dialog.png"
cp "$work/output.png" "$root/docs/output.png"
echo "Wrote docs/dialog.png and docs/output.png"
