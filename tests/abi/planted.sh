#!/bin/sh
# planted.sh CXX LIBRARY SYMBOLS: the guards must catch what they guard
# against. A stand-in library (standin/) is built once as the baseline and
# again with one planted change per row; check_abi.sh and check_exports.py
# must pass the unchanged copy and refuse every planted one for the reason
# the row names. Then the real Debian symbols file, one line short, must be
# refused for the real LIBRARY.
set -eu
cxx=$1
library=$2
symbols=$3
here=$(cd "$(dirname "$0")" && pwd)
standin=$here/standin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

# build NAME "FLAGS" [MAP]: the stand-in as $work/NAME.so, linked with
# libdexmora's own version script, or with MAP: "all" (one that exports
# everything, as a careless one would) or "none".
build() {
  case ${3:-real} in
    real) map=-Wl,--version-script=$here/../../library/dexmora.map ;;
    all) map=-Wl,--version-script=$standin/standin.map ;;
    none) map="" ;;
  esac
  # shellcheck disable=SC2086
  "$cxx" -std=c++17 -O0 -fPIC -shared -fvisibility=hidden -fvisibility-inlines-hidden $2 \
    -Wl,-soname,libstandin.so.1 $map -o "$work/$1.so" "$standin/standin.cpp"
}

# defines PLANT: the compiler's flag for a table's PLANT column ("-": none).
defines() {
  [ "$1" = - ] || echo "-D$1"
}

# expect NAME STATUS FRAGMENT COMMAND...: COMMAND passes (STATUS pass) or
# fails saying FRAGMENT (STATUS fail).
expect() {
  name=$1 status=$2 fragment=$3
  shift 3
  if "$@" >"$work/out" 2>&1; then
    [ "$status" = pass ] || fail "$name: the guard let it through: $(cat "$work/out")"
  elif [ "$status" = pass ]; then
    fail "$name: the guard refused the unchanged library: $(cat "$work/out")"
  elif ! grep -q -- "$fragment" "$work/out"; then
    fail "$name: refused without saying \"$fragment\": $(cat "$work/out")"
  fi
}

build baseline "-g"
"$here/../../abi/dump.sh" "$work/baseline.so" "$standin" >"$work/baseline.abi"
"$here/../../abi/exports.sh" "$work/baseline.so" >"$work/baseline.exports"

# The ABI guard: name, planted macros, expected result, what the refusal says.
while read -r name plant status fragment; do
  build "$name" "-g $(defines "$plant")"
  expect "abi $name" "$status" "$fragment" "$here/check_abi.sh" "$work/baseline.abi" "$work/$name.so" "$standin"
done <<'EOF_TABLE'
unchanged       -                 pass  -
member_added    PLANT_MEMBER      fail  the ABI changed
function_gone   PLANT_REMOVED     fail  incompatibly
std_member      PLANT_STD_MEMBER  fail  the ABI changed
EOF_TABLE
build no_debug_info ""
expect "abi no_debug_info" fail "no debug information" \
  "$here/check_abi.sh" "$work/baseline.abi" "$work/no_debug_info.so" "$standin"

# The export check: name, planted macro, version script, the list compared
# with (baseline's or its own, so that only the rule under test objects),
# result, what the refusal says.
while read -r name plant map list status fragment; do
  build "$name" "$(defines "$plant")" "$map"
  [ "$list" = own ] && "$here/../../abi/exports.sh" "$work/$name.so" >"$work/$name.exports"
  [ "$list" = own ] && listed=$work/$name.exports || listed=$work/baseline.exports
  expect "exports $name" "$status" "$fragment" python3 "$here/check_exports.py" "$listed" "$work/$name.so" \
    "$here/../../library/dexmora.map" "$standin"
done <<'EOF_TABLE'
unchanged      -                 real  baseline  pass  -
function_gone  PLANT_REMOVED     real  baseline  fail  listed but no longer exported
function_new   PLANT_UNDECLARED  real  baseline  fail  exported but not listed
undeclared     PLANT_UNDECLARED  real  own       fail  declared in no installed header
std_copy       PLANT_STD_COPY    all   own       fail  a copy of a std:: template
matrix3        PLANT_MATRIX3     all   own       fail  a matrix3 function
unversioned    -                 none  own       fail  version none
EOF_TABLE

# The Debian symbols file must list every symbol: one missing is refused.
awk '/_ZN7dexmora/ && !dropped { dropped = 1; next } { print }' "$symbols" >"$work/short.symbols"
expect "symbols unchanged" pass - sh "$here/check_symbols.sh" "$symbols" "$library"
expect "symbols one short" fail "new symbols" sh "$here/check_symbols.sh" "$work/short.symbols" "$library"

[ "$failed" = 0 ] && echo "the ABI and export guards refused every planted change and passed the unchanged copies"
exit "$failed"
