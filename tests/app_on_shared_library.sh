#!/bin/sh
# The dialog runs on the system's libdexmora.so.1 and carries no copy of the
# library: it needs the shared library, defines none of its functions (the
# public headers' inline code aside, which every user compiles), and the
# library it loads is the one the build made.
#   app_on_shared_library.sh DEXMORA LIBDEXMORA NM
set -u
app=$1
library=$2
nm=$3
failed=0

if ! readelf -d "$app" | grep -q 'NEEDED.*\[libdexmora\.so\.1\]'; then
  echo "$app does not need libdexmora.so.1" >&2
  failed=1
fi
own=$("$nm" -C --defined-only "$app" | awk '($2 == "T" || $2 == "t") && $3 ~ /^dexmora::/')
if [ -n "$own" ]; then
  echo "$app defines the library's functions itself:" >&2
  echo "$own" | head -5 >&2
  failed=1
fi
loaded=$(ldd "$app" | sed -n 's/^[[:space:]]*libdexmora\.so\.1 => \([^ ]*\) .*/\1/p')
if [ "$(readlink -f "$loaded")" != "$(readlink -f "$library")" ]; then
  echo "$app loads libdexmora.so.1 from '$loaded', not $library" >&2
  failed=1
fi
exit $failed
