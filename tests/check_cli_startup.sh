#!/bin/sh
# Usage: check_cli_startup.sh PROGRAM [NM]
# Fails when dexmora-cli, linked with its C++ runtime, runs a static
# initialiser of its own at start-up, links the C++ streams (ios_base::Init
# and the locale's facets: 46 k instructions and 38 imported functions a
# run) or imports the C library's locale functions. The runtime's own three
# initialisers (exception pool, error categories, memory resources) stay.
set -eu

program=$1
nm_tool=${2:-nm}
[ -r "$program" ] || { echo "cannot read $program" >&2; exit 2; }

symbols=$(LC_ALL=C "$nm_tool" "$program") || { echo "$nm_tool failed on $program" >&2; exit 2; }
imports=$(LC_ALL=C "$nm_tool" -D --undefined-only "$program") || { echo "$nm_tool -D failed on $program" >&2; exit 2; }

findings=$(
  printf '%s\n' "$symbols" | awk '$NF ~ /^_GLOBAL__sub_I_/ && $NF !~ /^_GLOBAL__sub_I_(eh_alloc|system_error|memory_resource)\.cc$/ {
    print "static initialiser " $NF }'
  printf '%s\n' "$symbols" | awk '$NF ~ /^_ZNSt8ios_base4InitC[12]Ev$/ { print "links the C++ streams: " $NF }'
  printf '%s\n' "$imports" | awk '$NF ~ /^_*(newlocale|uselocale|duplocale|freelocale)(@|$)/ { print "imports " $NF }'
)

if [ -n "$findings" ]; then
  printf '%s\n' "$findings" | c++filt >&2
  exit 1
fi
echo "$program: no static initialiser of its own, no C++ streams, no locale functions"
