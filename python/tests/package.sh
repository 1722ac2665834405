#!/bin/sh
# The Python package as users get it: python3-dexmora and the libdexmora1
# it depends on, made by CPack, are unpacked into a scratch root and
# imported from there by Debian's python3 with nothing of the build tree on
# its path; `cmake --install` under a scratch prefix puts the package where
# that prefix's Python looks.
#   package.sh BUILD_DIR CPACK CMAKE PYTHON DEXMORA_CLI DEB_BUILD
set -eu
build=$1
cpack=$2
cmake=$3
python=$4
cli=$5
case $6 in
  ON | on | 1 | TRUE | true) ;;
  *) echo "this build is not configured as the packages are (-DDEXMORA_DEB_BUILD=ON): the package is not checked"; exit 77 ;;
esac
for tool in dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: the package is not checked"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "$*" >&2
  failed=1
}

(cd "$build" && "$cpack" -G DEB -D "CPACK_COMPONENTS_ALL=lib;python" -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/out/python3-dexmora_*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$(ls "$work"/out/libdexmora1_*.deb)" "$root"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
site=$root/usr/lib/python3/dist-packages/dexmora
soabi=$("$python" -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
for file in __init__.py __init__.pyi py.typed "_dexmora$soabi"; do
  [ -f "$site/$file" ] || fail "python3-dexmora has no dexmora/$file"
done
[ -s "$root/usr/share/doc/python3-dexmora/copyright" ] || fail "python3-dexmora has no copyright file"
find "$root" -name __pycache__ | grep -q . && fail "python3-dexmora ships byte code"
readelf -S "$site/_dexmora$soabi" | grep -q -e '\.symtab' -e '\.debug_info' && fail "the extension is not stripped"
readelf -d "$site/_dexmora$soabi" | grep -q -e RPATH -e RUNPATH && fail "the extension carries a run path"

# The extension loads into the Python version it was built for, and needs
# the libraries it links.
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
next=$("$python" -c 'import sys; print("%d.%d" % (sys.version_info[0], sys.version_info[1] + 1))')
depends=$(dpkg-deb -f "$deb" Depends)
# It carries the library itself (python/CMakeLists.txt), so it needs libpng
# and not libdexmora1.
for dependency in "python3 (>= $version)" "python3 (<< $next)" "libstdc++6" "libpng16-16"; do
  case ", $depends," in
    *", $dependency"[,\ ]*) ;;
    *) fail "python3-dexmora does not depend on $dependency: $depends" ;;
  esac
done
case ", $depends," in *", libdexmora1"[,\ ]*) fail "python3-dexmora depends on libdexmora1: $depends" ;; esac
[ "$(dpkg-deb -f "$deb" Section)" = python ] || fail "python3-dexmora is not in section python"

# Imported from the scratch root alone, in an empty folder, with an empty
# environment but the loader's path to the unpacked libdexmora1.
"$cli" -o "$work/cli.png" "SN-000123"
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && env -i PATH=/usr/bin:/bin PYTHONPATH="$root/usr/lib/python3/dist-packages" \
  LD_LIBRARY_PATH="$root/usr/lib/$multiarch" "$python" -B -c '
import sys
import dexmora
root = sys.argv[1]
assert dexmora.__file__.startswith(root + "/"), dexmora.__file__
assert not any("build" in p and root not in p for p in sys.path if p), sys.path
with open(sys.argv[2], "rb") as cli:
    assert dexmora.encode("SN-000123").png() == cli.read(), "another picture than dexmora-cli"
print("imported", dexmora.__version__, "from", dexmora.__file__)
' "$root" "$work/cli.png") || fail "python3 -c 'import dexmora' failed from the unpacked package"

# A plain install under another prefix: lib/python3.X/dist-packages.
for component in lib python; do
  "$cmake" --install "$build" --prefix "$work/prefix" --component $component >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; exit 1; }
done
(cd "$work/elsewhere" && env -i PATH=/usr/bin:/bin PYTHONPATH="$work/prefix/lib/python$version/dist-packages" \
  LD_LIBRARY_PATH="$(dirname "$(find "$work/prefix" -name libdexmora.so.1)")" "$python" -B -c 'import dexmora, sys; assert dexmora.__file__.startswith(sys.argv[1]); dexmora.encode("x").svg()' \
  "$work/prefix") || fail "the package installed under $work/prefix does not import"

# The project's lintian bar: no error and no warning but the one every
# package of this project carries (its changelog closes no bug).
if command -v lintian >/dev/null; then
  lintian -I --pedantic --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  grep -E '^[EW]: ' "$work/lintian.log" | grep -v ' initial-upload-closes-no-bugs ' >"$work/lintian.bad" || true
  [ -s "$work/lintian.bad" ] && fail "lintian: $(cat "$work/lintian.bad")"
else
  echo "lintian is not installed: the package is not linted"
fi
[ "$failed" = 0 ] && echo "python3-dexmora built, unpacked, imported and linted"
exit "$failed"
