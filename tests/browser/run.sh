#!/usr/bin/env bash
# Runs generator_page.js: installs the pinned puppeteer-core with `npm ci`
# into NODE_DIR (again only when package-lock.json changed), then drives
# Debian's chromium. Exits 77 (skipped) when chromium, node or npm is missing.
#   run.sh DEXMORA_SERVE SCAN_PNG NODE_DIR
set -euo pipefail
serve=$1
scan=$2
node_dir=$3
here=$(cd "$(dirname "$0")" && pwd)
[ -x /usr/bin/chromium ] || { echo "chromium is not installed: skipped"; exit 77; }
command -v node >/dev/null || { echo "node is not installed: skipped"; exit 77; }
command -v npm >/dev/null || { echo "npm is not installed: skipped"; exit 77; }

mkdir -p "$node_dir"
if ! cmp -s "$here/package-lock.json" "$node_dir/package-lock.json" ||
   [ ! -f "$node_dir/node_modules/puppeteer-core/package.json" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$node_dir/"
  (cd "$node_dir" && npm ci --no-audit --no-fund --loglevel=error) >&2
fi
NODE_PATH="$node_dir/node_modules" exec node "$here/generator_page.js" "$serve" "$scan"
