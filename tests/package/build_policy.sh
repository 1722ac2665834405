#!/bin/sh
# A plain configure applies no Debian policy: GNUInstallDirs' library folder
# and the caller's flags, whatever dpkg-buildflags would say; the package
# build (-DDEXMORA_DEB_BUILD=ON) brings lib/<triplet> and the hardening
# flags; turned off again, the folder forgets both. Each row configures the
# same scratch folder in turn (only the library and dexmora-cli, to be quick).
#   build_policy.sh SOURCE_DIR CMAKE
set -eu
source=$1
cmake=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v dpkg-architecture >/dev/null || { echo "dpkg-dev is not installed: not checked"; exit 77; }
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
failed=0
fail() {
  echo "$*" >&2
  failed=1
}

# DEXMORA_DEB_BUILD, the caller's one -D option ("-": none), the library
# folder (TRIPLET: Debian's multiarch one), whether Debian's flags are in the
# library's compile and link lines. A caller's -O1 must stay where given.
while read -r deb_build options libdir hardened; do
  [ "$options" = - ] && options=""
  # shellcheck disable=SC2086
  "$cmake" -S "$source" -B "$work/build" -DDEXMORA_DEB_BUILD="$deb_build" $options \
    -DBUILD_TESTING=OFF -DDEXMORA_GUI=OFF -DDEXMORA_PYTHON=OFF -DDEXMORA_SERVE=OFF -DDEXMORA_BENCH=OFF \
    -DDEXMORA_DOCS=OFF -DDEXMORA_EXAMPLES=OFF -DDEXMORA_VERIFY_DECODE=OFF -DDEXMORA_ABI_CHECK=OFF \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; exit 1; }
  row="DEXMORA_DEB_BUILD=$deb_build $options"
  got=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$work/build/CMakeCache.txt")
  [ "$got" = "$(echo "$libdir" | sed "s/TRIPLET/$triplet/")" ] || fail "$row: the library folder is $got, not $libdir"
  flags=$(cat "$work/build/core/CMakeFiles/dexmora_core_objects.dir/flags.make" "$work/build/library/CMakeFiles/dexmora.dir/link.txt")
  case "$flags" in
    *_FORTIFY_SOURCE*) [ "$hardened" = yes ] || fail "$row: Debian's flags are in a build that did not ask for them" ;;
    *) [ "$hardened" = no ] || fail "$row: Debian's flags are missing" ;;
  esac
  case "$options" in
    *-O1*) case "$flags" in *-O1*) ;; *) fail "$row: the caller's -O1 was dropped" ;; esac ;;
  esac
done <<'EOF_TABLE'
OFF  -                                      lib                no
OFF  -DCMAKE_CXX_FLAGS=-O1                  lib                no
ON   -                                      lib/TRIPLET        yes
ON   -DCMAKE_INSTALL_LIBDIR=lib64           lib/TRIPLET        yes
OFF  -DCMAKE_CXX_FLAGS=                     lib                no
OFF  -DCMAKE_INSTALL_LIBDIR=lib64           lib64              no
EOF_TABLE

[ "$failed" = 0 ] && echo "build policy: Debian's folder and flags only where DEXMORA_DEB_BUILD asks"
exit "$failed"
