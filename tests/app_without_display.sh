#!/bin/sh
# dexmora --help and --version answer where no display is: exit 0, the text
# on standard output, nothing on standard error, no dialog and no output.png.
#   app_without_display.sh DEXMORA VERSION
set -u
app=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# arguments | the first line printed
CASES="--help|Usage: dexmora [QT-OPTIONS]
-h|Usage: dexmora [QT-OPTIONS]
--version|dexmora $version
-platform xcb --help|Usage: dexmora [QT-OPTIONS]"

failed=0
while IFS='|' read -r args first; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  "$app" $args >out.txt 2>err.txt
  status=$?
  got=$(head -n 1 out.txt)
  if [ "$status" != 0 ] || [ "$got" != "$first" ] || [ -s err.txt ] || [ -e output.png ]; then
    echo "dexmora $args: exit $status, printed '$got' (expected '$first'), stderr: $(cat err.txt)" >&2
    failed=1
  fi
done <<CASES_END
$CASES
CASES_END

# A full standard output is an I/O error, not a silent success.
if [ -w /dev/full ]; then
  "$app" --help >/dev/full 2>/dev/null
  status=$?
  [ "$status" = 74 ] || { echo "dexmora --help >/dev/full: exit $status, expected 74" >&2; failed=1; }
fi
[ "$failed" = 0 ] && echo "dexmora --help and --version work without a display"
exit "$failed"
