#!/bin/sh
# Installs the dev component into a fresh prefix, builds examples/consumer
# against it (CMake package, then pkg-config) with no standard flag of its
# own, and checks that the programs write what dexmora-cli writes; that the
# prefix holds exactly the public headers; that a Symbol cannot be made
# from raw modules outside the library; and that value() on an error throws.
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

# Exactly the public headers: the documented set, nothing internal.
installed=$(cd "$prefix/include" && find . -type f | sed 's|^\./||' | sort)
documented=$(cd "$source/include" && find . -type f -name '*.h' | sed 's|^\./||' | sort)
if [ "$installed" != "$documented" ]; then
  echo "installed headers differ from include/:" >&2
  printf '%s\n' "$installed" >&2
  exit 1
fi
for header in $documented; do
  grep -q "<$header>" "$source/docs/library.md" || { echo "docs/library.md does not document <$header>" >&2; exit 1; }
done

"$cmake" -S "$source/examples/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; exit 1; }
"$cmake" --build "$work/cmake-build" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }

mkdir "$work/pc-build"
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name dexmora.pc)") \
  make -s -C "$work/pc-build" -f "$source/examples/consumer/Makefile" CXX="$cxx"

# Through pkg-config alone, with C++14 asked for first: the .pc's standard wins.
pc_flags=$(PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name dexmora.pc)") pkg-config --cflags --libs dexmora)
cat >"$work/raw_symbol.cpp" <<'EOF'
#include <dexmora/dexmora.h>
int main() { dexmora::Symbol symbol(0, dexmora::symbolSize(0), {}, 0, {}, dexmora::Dm144Layout::Iso); return symbol.rows(); }
EOF
if "$cxx" -std=c++14 -o "$work/raw_symbol" "$work/raw_symbol.cpp" $pc_flags 2>/dev/null; then
  echo "a Symbol could be constructed from raw modules outside the library" >&2
  exit 1
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
"$cxx" -std=c++14 -o "$work/throws" "$work/throws.cpp" $pc_flags
[ "$("$work/throws")" = too_long ] || { echo "value() on an error did not throw BadExpectedAccess" >&2; exit 1; }

failed=0
"$work/cmake-build/gs1_label_pdf" '[01]09521234543213[17]271231[10]AB-123' "$work/label.pdf" >/dev/null
"$cli" -o "$work/label-cli.pdf" --gs1 --xdim 0.5mm --quiet-zone 1 '[01]09521234543213[17]271231[10]AB-123'
cmp -s "$work/label.pdf" "$work/label-cli.pdf" || { echo "gs1_label_pdf writes another PDF than dexmora-cli" >&2; failed=1; }
"$work/pc-build/svg_in_memory" 'Hello' >"$work/hello.svg"
"$cli" -o "$work/hello-cli.svg" -e minimal --xdim 0.4mm 'Hello'
cmp -s "$work/hello.svg" "$work/hello-cli.svg" || { echo "svg_in_memory prints another SVG than dexmora-cli" >&2; failed=1; }
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
