#!/bin/sh
# Builds the Debian packages with CPack, unpacks them into a scratch root and
# uses what they hold there: the program, its man pages, the dependencies
# dpkg-shlibdeps computed; lintian, when installed, must report no error.
set -eu
build=$1
cpack=$2
cli=$3
for tool in dpkg-deb dpkg-shlibdeps man; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: packages not checked"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
export LC_ALL=C.UTF-8 MANWIDTH=80

(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; exit 1; }

failed=0
fail() {
  echo "$*" >&2
  failed=1
}
packages="dexmora-cli libdexmora-dev"
[ -x "$build/bin/dexmora" ] && packages="$packages dexmora"
[ -x "$build/bin/dexmora-serve" ] && packages="$packages dexmora-serve"
for package in $packages; do
  deb=$(ls "$work/out/${package}_"*.deb 2>/dev/null || true)
  if [ -z "$deb" ]; then
    fail "no package $package"
    continue
  fi
  dpkg-deb -x "$deb" "$root"
  [ -s "$root/usr/share/doc/$package/copyright" ] || fail "$package has no copyright file"
done

# depends_on PACKAGE NAME: NAME is one of the package's dependencies.
depends_on() {
  dpkg-deb -f "$work/out/${1}_"*.deb Depends | tr ',|' '\n\n' | grep -q "^ *$2\( \|$\)" ||
    fail "$1 does not depend on $2"
}
depends_on dexmora-cli libc6
depends_on dexmora-cli libpng16-16
depends_on libdexmora-dev libpng-dev
if [ -x "$build/bin/dexmora-serve" ]; then
  depends_on dexmora-serve libmicrohttpd12
  [ -f "$root/usr/lib/systemd/system/dexmora-serve.service" ] || fail "dexmora-serve has no systemd unit"
fi
if [ -x "$build/bin/dexmora" ]; then
  depends_on dexmora libqt6widgets6
  depends_on dexmora qt6-qpa-plugins
  depends_on dexmora fonts-wqy-microhei
fi

installed=$root/usr/bin/dexmora-cli
"$installed" -o "$work/installed.png" "Dexmora 1.0" || fail "the installed dexmora-cli failed"
"$cli" -o "$work/built.png" "Dexmora 1.0"
cmp -s "$work/installed.png" "$work/built.png" || fail "the installed dexmora-cli writes another picture"
# --verify finds the reader module the package put beside it.
"$installed" --verify -o "$work/verified.png" "Dexmora 1.0" || fail "the installed dexmora-cli cannot verify"
for program in "$root"/usr/bin/*; do
  if readelf -S "$program" | grep -q -e '\.symtab' -e '\.debug_info'; then
    fail "$program is not stripped"
  fi
done

for page in "$root"/usr/share/man/man1/*.1.gz; do
  man -l --warnings "$page" >"$work/page.txt" 2>"$work/page.err" || fail "$page does not render"
  [ -s "$work/page.err" ] && fail "$page: $(cat "$work/page.err")"
  grep -q '^NAME' "$work/page.txt" || fail "$page has no NAME section"
done
[ -f "$root/usr/share/bash-completion/completions/dexmora-cli" ] || fail "no bash completion"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$work/out"/*.deb >"$work/lintian.log" 2>&1 || true
  grep -E '^[WI]:' "$work/lintian.log" || true
  if grep -q '^E:' "$work/lintian.log"; then
    grep '^E:' "$work/lintian.log" >&2
    failed=1
  fi
else
  echo "lintian is not installed: packages not linted"
fi
[ "$failed" = 0 ] && echo "packages: $packages built, unpacked and used"
exit "$failed"
