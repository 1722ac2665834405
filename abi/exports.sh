#!/bin/sh
# exports.sh LIBRARY: the symbols LIBRARY defines for others, mangled, each
# with its version (name@@VERSION), sorted. c++filt reads them.
set -eu
nm -D --defined-only --with-symbol-versions "$1" |
  awk '$2 != "A" { print $3 }' | LC_ALL=C sort -u
