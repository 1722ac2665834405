#!/bin/sh
# Runs the command given (valgrind and dexmora-cli with its arguments) with
# "-o DIR/output.png" appended, DIR a fresh temporary directory, and fails
# when the command fails or writes no picture.
dir=$(mktemp -d) || exit 1
"$@" -o "$dir/output.png"
status=$?
if [ "$status" -eq 0 ] && [ ! -s "$dir/output.png" ]; then
  echo "no picture was written" >&2
  status=1
fi
rm -rf "$dir"
exit "$status"
