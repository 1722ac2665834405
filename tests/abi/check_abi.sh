#!/bin/sh
# check_abi.sh BASELINE LIBRARY HEADER_DIR...: LIBRARY's ABI, described as
# abi/dump.sh describes it, compared with BASELINE by abidiff. Any change
# fails, compatible or not: abidiff's status is a bit mask, and a public
# struct growing a member sets only bit 4 (a change), not bit 8 (an
# incompatible change), though every caller compiled against the old layout
# is then wrong.
set -eu
baseline=$1
library=$2
shift 2
dump=$(dirname "$0")/../../abi/dump.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dump" "$library" "$@" >"$work/current.abi"
status=0
abidiff "$baseline" "$work/current.abi" >"$work/report" 2>&1 || status=$?
if [ "$status" = 0 ]; then
  echo "$library: no ABI change from $baseline"
  exit 0
fi
cat "$work/report" >&2
what=""
[ $((status & 1)) = 0 ] || what="$what, abidiff failed"
[ $((status & 2)) = 0 ] || what="$what, abidiff was misused"
[ $((status & 4)) = 0 ] || what="$what, the ABI changed"
[ $((status & 8)) = 0 ] || what="$what, incompatibly"
echo "$library differs from $baseline (abidiff status $status${what}). A deliberate change to the" \
  "public interface is recorded with abi/update.sh; see abi/README.md." >&2
exit 1
