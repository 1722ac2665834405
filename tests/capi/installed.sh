#!/bin/sh
# The C interface from an installed prefix (components lib and dev), as an
# outside program sees it:
#   installed.sh c99 BUILD CMAKE CC PYTHON SOURCE_DIR
#     the C program built through pkg-config alone, linked to libdexmora.so.1;
#   installed.sh ctypes BUILD CMAKE CC PYTHON SOURCE_DIR
#     Python's ctypes loads libdexmora.so.1 from the prefix, with no build step.
set -eu
mode=$1
build=$2
cmake=$3
cc=$4
python=$5
source=$6
here=$source/tests/capi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for component in lib dev; do
  "$cmake" --install "$build" --prefix "$work/prefix" --component "$component" >/dev/null
done
libdir=$(dirname "$(find "$work/prefix" -name libdexmora.so.1)")

# The examples of docs/library.md's section on the C interface, as written.
docs=$source/docs/library.md
example() { sed -n '/^## The C interface/,$p' "$docs" | awk -v fence="^\`\`\`$1\$" '$0 ~ fence {on=1; next} /^```$/ {on=0} on'; }

if [ "$mode" = ctypes ]; then
  example python >"$work/example.py"
  [ "$(LD_LIBRARY_PATH=$libdir "$python" -B "$work/example.py")" = "10 1" ] ||
    { echo "the ctypes example of docs/library.md does not print 10 1" >&2; exit 1; }
  LD_LIBRARY_PATH=$libdir PYTHONDONTWRITEBYTECODE=1 \
    "$python" -B -m pytest -q -p no:cacheprovider "$here/test_ctypes.py"
  exit
fi

export PKG_CONFIG_PATH="$libdir/pkgconfig"
"$cc" -std=c99 -pedantic -Wall -Wextra -Werror -o "$work/capi_program" "$here/capi_program.c" \
  $(pkg-config --cflags --libs dexmora)
readelf -d "$work/capi_program" | grep -q 'NEEDED.*\[libdexmora\.so\.1\]' ||
  { echo "capi_program is not linked to libdexmora.so.1" >&2; exit 1; }
sh "$here/run_program.sh" "$work/capi_program" "$python" "$here/scan_png.py" "$libdir"
example c >"$work/hello.c"
"$cc" -std=c99 -pedantic -Wall -Wextra -Werror -o "$work/hello" "$work/hello.c" $(pkg-config --cflags --libs dexmora)
LD_LIBRARY_PATH=$libdir "$work/hello" 'Hello from C' "$work/hello.png" >/dev/null
read=$("$python" "$here/scan_png.py" "$work/hello.png")
[ "$read" = 'Hello from C' ] || { echo "the C example of docs/library.md wrote a PNG that reads '$read'" >&2; exit 1; }
