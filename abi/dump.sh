#!/bin/sh
# dump.sh LIBRARY HEADER_DIR...: LIBRARY's ABI as abidw describes it, limited
# to the types the headers in HEADER_DIR declare. The baseline and the check
# both come from here, so they always describe the library the same way.
# Locations, paths and parameter names are left out: moving a declaration or
# building in another folder changes no caller.
set -eu
library=$1
shift
if ! readelf -S "$library" | grep -q '\.debug_info'; then
  echo "$library has no debug information: abidw would see no types (build it with -g)" >&2
  exit 2
fi
headers=""
for dir in "$@"; do
  headers="$headers --headers-dir $dir"
done
# shellcheck disable=SC2086
exec abidw --suppressions "$(dirname "$0")/std-members.suppr" --no-corpus-path --no-comp-dir-path \
  --no-show-locs --no-parameter-names --drop-undefined-syms --drop-private-types --type-id-style hash \
  $headers "$library"
