#!/bin/sh
# Runs a command as uid/gid 65534 (nobody) when started as root, and as it
# is otherwise; its temporary files go to a directory that user may write.
#   as_ordinary_user.sh SETPRIV COMMAND [ARG...]
set -eu
setpriv=$1
shift
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 0777 "$scratch"
TMPDIR=$scratch "$setpriv" --reuid=65534 --regid=65534 --clear-groups "$@"
