#!/bin/sh
# Runs the C program PROGRAM in a scratch folder and scans the PNG it wrote:
#   run_program.sh PROGRAM PYTHON SCAN_PNG_PY [LD_LIBRARY_PATH]
set -eu
program=$1
python=$2
scan=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ $# -ge 4 ]; then
  LD_LIBRARY_PATH=$4 "$program" "$work"
else
  "$program" "$work"
fi
read=$("$python" "$scan" "$work/123456.png")
[ "$read" = 123456 ] || { echo "123456.png reads as '$read'" >&2; exit 1; }
