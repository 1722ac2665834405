#!/bin/sh
# The man pages render without a groff warning, and dexmora-cli(1) documents
# every option that --help lists.
set -eu
man_dir=$1
cli=$2
export LC_ALL=C.UTF-8 MANWIDTH=80
failed=0
for page in "$man_dir"/*.1; do
  warnings=$( { groff -k -ww -z -Tutf8 -man "$page"; man -l --warnings "$page" >/dev/null; } 2>&1)
  if [ -n "$warnings" ]; then
    echo "$page:" >&2
    echo "$warnings" >&2
    failed=1
  fi
done

# Wide lines, so that no option name is hyphenated across a line break.
text=$(MANWIDTH=400 man -l "$man_dir/dexmora-cli.1")
options=$("$cli" --help | grep -oE -- '(^|[ ,[])--?[a-zA-Z][a-zA-Z0-9-]*' | sed 's/^[ ,[]*//' | sort -u)
[ -n "$options" ] || { echo "no options found in --help" >&2; exit 1; }
for option in $options; do
  if ! printf '%s\n' "$text" | grep -qE -- "(^|[^a-zA-Z0-9-])$option([^a-zA-Z0-9-]|\$)"; then
    echo "dexmora-cli(1) does not mention $option" >&2
    failed=1
  fi
done
[ "$failed" = 0 ] && echo "man pages: $(ls "$man_dir"/*.1 | wc -l) pages, $(echo "$options" | wc -l) options documented"
exit "$failed"
