#!/bin/sh
# Builds the Debian packages with CPack, unpacks them into a scratch root and
# uses what they hold there: the program, its man pages, the dependencies
# dpkg-shlibdeps computed, libdexmora1's library and control files. Every package the build makes must meet the
# project's lintian bar: `lintian -I --pedantic` reports nothing but
# initial-upload-closes-no-bugs (so no hardening-no-* tag either). The Debian
# changelogs and copyright files are in the packages and never in a plain
# install.
#   deb.sh BUILD_DIR CPACK CMAKE DEXMORA_CLI DEB_BUILD SOURCE_DIR
set -eu
build=$1
cpack=$2
cmake=$3
cli=$4
deb_build=$5
source=$6
case $deb_build in
  ON | on | 1 | TRUE | true) ;;
  *) echo "this build is not configured as the packages are (-DDEXMORA_DEB_BUILD=ON, the preset plain): packages not checked"; exit 77 ;;
esac
for tool in dpkg-deb dpkg-shlibdeps man lintian; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: packages not checked"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
export LC_ALL=C.UTF-8 MANWIDTH=80

# What the bar accepts, one per line: the tag and as much of its context as
# must match, a bar, the reason. A new package that cannot avoid a tag adds
# it here with its reason; nothing else may pass.
ACCEPTED='initial-upload-closes-no-bugs | the packages are built outside the archive, with no bug to close
spelling-error-in-binary ofthe of the | --help texts kept without a NUL between them ("... instead of", "the same ...") read as one word
package-supports-alternative-init-but-no-init.d-script [usr/lib/systemd/system/dexmora-serve.service] | dexmora-serve runs under systemd alone: its unit carries the sandboxing, an init.d script could not'

(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; exit 1; }

failed=0
fail() {
  echo "$*" >&2
  failed=1
}
debs=$(ls "$work/out/"*.deb)
for deb in $debs; do
  package=$(dpkg-deb -f "$deb" Package)
  dpkg-deb -x "$deb" "$root"
  for doc in copyright changelog.Debian.gz; do
    [ -s "$root/usr/share/doc/$package/$doc" ] || fail "$package has no /usr/share/doc/$package/$doc"
  done
done
expected="libdexmora1 libdexmora-dev dexmora-cli"
[ -x "$build/bin/dexmora" ] && expected="$expected dexmora"
[ -x "$build/bin/dexmora-serve" ] && expected="$expected dexmora-serve"
[ -d "$build/python/dexmora" ] && expected="$expected python3-dexmora"
for package in $expected; do
  ls "$work/out/${package}_"*.deb >/dev/null 2>&1 || fail "no package $package"
done

# depends_on PACKAGE NAME: NAME is one of the package's dependencies.
depends_on() {
  dpkg-deb -f "$work/out/${1}_"*.deb Depends | tr ',|' '\n\n' | grep -q "^ *$2\( \|$\)" ||
    fail "$1 does not depend on $2"
}
# lacks PACKAGE NAME: NAME is none of the package's dependencies.
lacks() {
  if dpkg-deb -f "$work/out/${1}_"*.deb Depends | tr ',|' '\n\n' | grep -q "^ *$2\( \|$\)"; then
    fail "$1 depends on $2"
  fi
}
depends_on dexmora-cli libc6
depends_on dexmora-cli libpng16-16
# dexmora-cli links the static archive (its start-up time).
lacks dexmora-cli libdexmora1
depends_on libdexmora-dev libpng-dev
version=$(dpkg-deb -f "$work/out/libdexmora1_"*.deb Version)
dpkg-deb -f "$work/out/libdexmora-dev_"*.deb Depends | grep -q "libdexmora1 (= $version)" ||
  fail "libdexmora-dev does not depend on libdexmora1 (= $version)"
depends_on libdexmora1 libpng16-16
lacks libdexmora1 libdexmora1
if [ -x "$build/bin/dexmora-serve" ]; then
  depends_on dexmora-serve libmicrohttpd12
  depends_on dexmora-serve libdexmora1
  # libpng is libdexmora1's dependency, not the program's.
  lacks dexmora-serve libpng16-16
  [ -f "$root/usr/lib/systemd/system/dexmora-serve.service" ] || fail "dexmora-serve has no systemd unit"
fi
if [ -d "$build/python/dexmora" ]; then
  # The module carries the library (python/CMakeLists.txt says why), so it
  # needs libpng itself and no libdexmora1.
  depends_on python3-dexmora libpng16-16
  lacks python3-dexmora libdexmora1
fi
if [ -x "$build/bin/dexmora" ]; then
  depends_on dexmora libqt6widgets6
  depends_on dexmora qt6-qpa-plugins
  depends_on dexmora fonts-wqy-microhei
fi
# Whatever a package's programs link libdexmora.so.1, dpkg-shlibdeps found.
for deb in $debs; do
  package=$(dpkg-deb -f "$deb" Package)
  dpkg-deb -x "$deb" "$work/one"
  for file in $(find "$work/one" -type f); do
    if readelf -d "$file" 2>/dev/null | grep -q 'NEEDED.*\[libdexmora\.so\.1\]'; then
      depends_on "$package" libdexmora1
    fi
  done
  rm -rf "$work/one"
done

# libdexmora1: the library by its SONAME and nothing else but its docs; the
# symbols file abi/ keeps and the ldconfig trigger as control files.
libdir=$(dirname "$(find "$root/usr/lib" -name libdexmora.so.1)")
case $libdir in "$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)") ;; *) fail "libdexmora.so.1 is in $libdir, not the multiarch folder" ;; esac
contents=$(dpkg-deb -c "$work/out/libdexmora1_"*.deb | awk '$1 !~ /^d/ { print $6 }' | grep -v '^\./usr/share/doc/libdexmora1/' | sed 's|.*/||' | sort | tr '\n' ' ')
[ "$contents" = "libdexmora.so.1 libdexmora.so.1.0.0 " ] || fail "libdexmora1 holds more or less than the library: $contents"
[ "$(readelf -d "$libdir/libdexmora.so.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')" = libdexmora.so.1 ] ||
  fail "the packaged library's SONAME is not libdexmora.so.1"
dpkg-deb -e "$work/out/libdexmora1_"*.deb "$work/control"
cmp -s "$work/control/symbols" "$source/abi/libdexmora1.symbols" || fail "libdexmora1's symbols file is not abi/libdexmora1.symbols"
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" 2>/dev/null || fail "libdexmora1 has no ldconfig trigger"
grep -qx "libdexmora 1 libdexmora1 (>= [0-9.]*)" "$work/control/shlibs" 2>/dev/null || fail "libdexmora1 has no shlibs file"
for script in postinst postrm; do
  [ -e "$work/control/$script" ] && fail "libdexmora1 has a $script, where its trigger runs ldconfig"
done
[ -e "$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/libdexmora.so" ] || fail "libdexmora-dev has no libdexmora.so link"
find "$root" -name debian -prune | grep -q . && fail "a package carries the debian/ folder shown to dpkg-shlibdeps"

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

# Overridden tags are shown too: an override in a package does not lower the bar.
if ! lintian -I --pedantic --show-overrides --fail-on none --tag-display-limit 0 $debs \
  >"$work/lintian.log" 2>"$work/lintian.err"; then
  fail "lintian did not run: $(cat "$work/lintian.err")"
fi
printf '%s\n' "$ACCEPTED" | sed 's/ *|.*//' >"$work/accepted"
grep -E '^[EWIPXO]: ' "$work/lintian.log" | while read -r level package tag rest; do
  found="$tag $rest"
  while IFS= read -r pattern; do
    case "$found" in "$pattern" | "$pattern "*) continue 2 ;; esac
  done <"$work/accepted"
  echo "$level $package $found"
done >"$work/lintian.bad"
if [ -s "$work/lintian.bad" ]; then
  fail "lintian -I --pedantic, beyond the accepted tags:
$(cat "$work/lintian.bad")"
fi
# Every package closes no bug, so lintian names each one it has looked at.
for deb in $debs; do
  package=$(dpkg-deb -f "$deb" Package)
  grep -q "^W: $package: initial-upload-closes-no-bugs" "$work/lintian.log" ||
    fail "lintian did not report on $package"
done

# A build without Debian's hardening flags makes no packages.
if (cd "$build" && "$cpack" -G DEB -B "$work/unhardened" -D CPACK_DEXMORA_HARDENED=OFF) >"$work/refused.log" 2>&1; then
  fail "cpack packaged a build it was told lacks the hardening flags"
elif ! grep -q "lack Debian's hardening" "$work/refused.log"; then
  fail "cpack refused an unhardened build without saying why: $(tail -n 5 "$work/refused.log")"
fi

# A plain install (every component, no CPack) carries no Debian packaging files.
"$cmake" --install "$build" --prefix "$work/plain" >/dev/null
debian_files=$(find "$work/plain" -name changelog.Debian.gz -o -path '*/share/doc/*' -name copyright)
[ -z "$debian_files" ] || fail "a plain install put Debian files in place: $debian_files"

[ "$failed" = 0 ] && echo "packages: $(echo $debs | wc -w) built, unpacked, used and lint-free"
exit "$failed"
