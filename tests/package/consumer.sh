#!/bin/sh
# Installs the lib and dev components into a fresh prefix and checks what an
# outside project gets there: libdexmora.so.1 with its SONAME and links,
# exactly the public headers, .pc files without a language standard; then
# builds examples/consumer against it (CMake package, then pkg-config), on
# the shared library and on the static archive, runs the programs with the
# prefix's library found by its SONAME and checks that they write what
# dexmora-cli writes; that a Symbol cannot be made from raw modules outside
# the library; and that value() on an error throws.
set -eu
build=$1
source=$2
cli=$3
cmake=$4
cxx=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failed=0
fail() {
  echo "$*" >&2
  failed=1
}

for component in lib dev; do
  "$cmake" --install "$build" --prefix "$prefix" --component "$component" >/dev/null
done
if [ -d "$prefix/include/dexmora/classic" ] || [ -n "$(find "$prefix" -name '*classic*')" ]; then
  echo "the internal classic library was installed" >&2
  exit 1
fi

# The shared library by its SONAME, the development link to it, the archive.
library=$(find "$prefix" -name libdexmora.so.1)
[ -n "$library" ] || { echo "no libdexmora.so.1 under $prefix" >&2; exit 1; }
libdir=$(dirname "$library")
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libdexmora.so.1 ] || fail "libdexmora.so.1 has the SONAME '$soname'"
[ "$(readlink "$libdir/libdexmora.so")" = libdexmora.so.1 ] || fail "libdexmora.so does not link to libdexmora.so.1"
[ "$(readlink "$library")" = libdexmora.so.1.0.0 ] || fail "libdexmora.so.1 does not link to libdexmora.so.1.0.0"
[ -f "$libdir/libdexmora.a" ] || fail "no libdexmora.a beside libdexmora.so"

# Exactly the public headers and the generated export macros, each documented.
installed=$(cd "$prefix/include" && find . -type f | sed 's|^\./||' | sort)
documented=$( (cd "$source/include" && find . -type f -name '*.h'; echo ./dexmora/export.h) | sed 's|^\./||' | sort)
if [ "$installed" != "$documented" ]; then
  echo "installed headers differ from include/ and dexmora/export.h:" >&2
  printf '%s\n' "$installed" >&2
  exit 1
fi
for header in $documented; do
  grep -q "<$header>" "$source/docs/library.md" || fail "docs/library.md does not document <$header>"
done

export PKG_CONFIG_PATH="$libdir/pkgconfig"
for pc in dexmora dexmora-static; do
  flags=$(pkg-config --static --cflags --libs "$pc") || { fail "pkg-config knows no $pc"; continue; }
  case " $flags " in *" -std="*) fail "$pc.pc imposes a language standard on its consumers: $flags" ;; esac
done

"$cmake" -S "$source/examples/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
"$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
mkdir "$work/pc-build"
make -s -C "$work/pc-build" -f "$source/examples/consumer/Makefile" CXX="$cxx"

# needs PROGRAM: PROGRAM links libdexmora.so.1 and, with the prefix on the
# loader's path, loads the prefix's copy (not the build tree's).
needs() {
  readelf -d "$1" | grep -q 'NEEDED.*\[libdexmora\.so\.1\]' || { fail "$1 does not link libdexmora.so.1"; return; }
  loaded=$(LD_LIBRARY_PATH=$libdir ldd "$1" | sed -n 's/.*libdexmora\.so\.1 => \([^ ]*\).*/\1/p')
  [ "$loaded" -ef "$library" ] || fail "$1 loads libdexmora.so.1 from '$loaded', not from $libdir"
}
# static PROGRAM: the archive is linked in; no libdexmora.so at run time.
static() {
  if readelf -d "$1" | grep -q 'NEEDED.*libdexmora'; then
    fail "$1 needs libdexmora.so though it links the static archive"
  fi
}
for program in encode_to_png svg_in_memory gs1_label_pdf; do
  needs "$work/cmake-build/$program"
  needs "$work/pc-build/$program"
done
static "$work/cmake-build/encode_to_png_static"
static "$work/pc-build/encode_to_png_static"

pc_flags=$(pkg-config --cflags --libs dexmora)
cat >"$work/raw_symbol.cpp" <<'EOF'
#include <dexmora/dexmora.h>
int main() { dexmora::Symbol symbol(0, dexmora::symbolSize(0), {}, 0, {}, dexmora::Dm144Layout::Iso); return symbol.rows(); }
EOF
if "$cxx" -std=c++17 -o "$work/raw_symbol" "$work/raw_symbol.cpp" $pc_flags 2>/dev/null; then
  fail "a Symbol could be constructed from raw modules outside the library"
fi
cat >"$work/throws.cpp" <<'EOF'
#include <dexmora/dexmora.h>
#include <cstdio>
int main() {
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(std::string(4000, 'x'));
  try {
    return symbol.value().rows();
  } catch (const dexmora::BadExpectedAccess&) {
    std::puts(std::string(dexmora::errorName(symbol.error().code())).c_str());
    return 0;
  }
}
EOF
"$cxx" -std=c++17 -o "$work/throws" "$work/throws.cpp" $pc_flags
# An exception thrown inside libdexmora.so.1 is caught by its caller: the
# type information crosses the library's boundary.
[ "$(LD_LIBRARY_PATH=$libdir "$work/throws")" = too_long ] || fail "value() on an error did not throw BadExpectedAccess"

export LD_LIBRARY_PATH="$libdir"
"$work/cmake-build/gs1_label_pdf" '[01]09521234543213[17]271231[10]AB-123' "$work/label.pdf" >/dev/null
"$cli" -o "$work/label-cli.pdf" --gs1 --xdim 0.5mm --quiet-zone 1 '[01]09521234543213[17]271231[10]AB-123'
cmp -s "$work/label.pdf" "$work/label-cli.pdf" || fail "gs1_label_pdf writes another PDF than dexmora-cli"
"$work/pc-build/svg_in_memory" 'Hello' >"$work/hello.svg"
"$cli" -o "$work/hello-cli.svg" -e minimal --xdim 0.4mm 'Hello'
cmp -s "$work/hello.svg" "$work/hello-cli.svg" || fail "svg_in_memory prints another SVG than dexmora-cli"
for text in Hello 0123456789012345 'Dexmora, packaged'; do
  "$cli" -o "$work/expected.png" "$text"
  for program in "$work/cmake-build/encode_to_png" "$work/pc-build/encode_to_png" \
    "$work/cmake-build/encode_to_png_static" "$work/pc-build/encode_to_png_static"; do
    "$program" "$text" "$work/got.png" >/dev/null
    cmp -s "$work/expected.png" "$work/got.png" || fail "$program '$text': the picture differs from dexmora-cli's"
  done
done
[ "$failed" = 0 ] && echo "consumer: CMake and pkg-config builds, shared and static, write dexmora-cli's pictures"
exit "$failed"
