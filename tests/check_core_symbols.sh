#!/bin/sh
# Usage: check_core_symbols.sh ARCHIVE [NM]
# Fails when an object of the core archive calls out of the process (exit,
# abort), into libpng or Qt, opens files or prints, or defines data that can
# be written: the core must stay free of I/O and of state shared between calls.
set -eu

archive=$1
nm_tool=${2:-nm}
[ -r "$archive" ] || { echo "cannot read $archive" >&2; exit 2; }

# nm's System V format names each symbol's section, which tells writable data
# apart from read-only tables even where the one-letter class does not
# (inline constexpr tables are 'u', like an inline function's static would be).
listing=$(LC_ALL=C "$nm_tool" -f sysv "$archive") || { echo "$nm_tool failed on $archive" >&2; exit 2; }

findings=$(printf '%s\n' "$listing" | awk -F'|' '
  function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
  /^Symbols from / {
    object = $0; sub(/^Symbols from /, "", object); sub(/:$/, "", object)
    if (match(object, /\[.*\]/)) object = substr(object, RSTART + 1, RLENGTH - 2)
    next
  }
  NF < 7 { next }
  {
    name = trim($1); class = trim($3); section = trim($7)
    if (class == "U") {
      if (name ~ /^(exit|_exit|_Exit|quick_exit|abort)$/ ||
          name ~ /^(png_|qt_)/ || name ~ /[0-9]Q[A-Z][a-z]/ ||
          name ~ /^(fopen|fopen64|freopen|fdopen|open|open64|openat|creat)$/ ||
          name ~ /^(fwrite|fputs|fputc|putc|putchar|puts|printf|fprintf|vprintf|vfprintf|dprintf|perror|write)$/ ||
          name ~ /^(stdout|stderr)$/ || name ~ /^__.*printf_chk$/ || name ~ /^_ZSt[0-9]+w?(cout|cerr|clog)$/) {
        print object ": references " name
      }
      next
    }
    # Personality references are filled in once by the loader, never by us.
    if (name ~ /^DW\.ref\./) next
    if (class ~ /^[DdBbC]$/ || section == "*COM*" || name ~ /^_ZGV/ ||
        (section ~ /^\.(data|bss|tdata|tbss)/ && section !~ /^\.data\.rel\.ro/)) {
      print object ": defines writable data " name " (" class ", " section ")"
    }
  }')

if [ -n "$findings" ]; then
  printf '%s\n' "$findings" | c++filt >&2
  exit 1
fi
echo "$archive: no exit, abort, libpng, Qt, file or console calls, no writable data"
