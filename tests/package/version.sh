#!/bin/sh
# dexmora-cli --version prints the version set in project(), nothing else.
set -eu
cli=$1
version=$2
out=$("$cli" --version)
if [ "$out" != "dexmora-cli $version" ]; then
  echo "--version printed '$out', expected 'dexmora-cli $version'" >&2
  exit 1
fi
echo "version: $out"
