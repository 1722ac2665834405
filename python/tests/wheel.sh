#!/bin/sh
# The package as pip users get it: one wheel made by `python3 -m build`,
# installed offline into a fresh venv, and the source tree installed by pip
# into a venv that sees Debian's packages; the checkout stays as it was.
#   wheel.sh SOURCE_DIR PYTHON VERSION DEXMORA_CLI
set -eu
src=$1
python=$2
version=$3
cli=$4
for module in build venv ensurepip setuptools wheel; do
  "$python" -c "import $module" 2>/dev/null ||
    { echo "$python has no module $module (python3-build, python3-venv, python3-wheel): wheels are not checked"; exit 77; }
done
command -v readelf >/dev/null || { echo "readelf is not installed: wheels are not checked"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "$*" >&2
  failed=1
}
# Offline and without the caller's pip configuration; setuptools' and CMake's
# folders in the scratch folder, shared by both builds.
run() {
  env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 PIP_CONFIG_FILE=/dev/null PIP_DISABLE_PIP_VERSION_CHECK=1 \
    PYTHONDONTWRITEBYTECODE=1 DEXMORA_PIP_BUILD_DIR="$work/pip" \
    CMAKE_BUILD_PARALLEL_LEVEL=2 "$@"
}
logged() {
  log=$1
  shift
  run "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "failed: $*" >&2; exit 1; }
}
checkout_status() {
  git -C "$src" status --porcelain 2>/dev/null || echo "not a git checkout"
}
before=$(checkout_status)

logged "$work/build.log" "$python" -m build --wheel --no-isolation --outdir "$work/dist" "$src"
tag=$("$python" -c 'import sys; print("cp%d%d" % sys.version_info[:2])')
wheel=$work/dist/dexmora-$version-$tag-$tag-linux_$(uname -m).whl
[ -f "$wheel" ] || { ls "$work/dist" >&2; echo "no $(basename "$wheel") (a pure or misnamed wheel?)" >&2; exit 1; }
[ -d "$work/pip/dexmora.egg-info" ] || fail "the egg-info is not in DEXMORA_PIP_BUILD_DIR"

# A fresh venv has pip and setuptools but not the wheel package.
run "$python" -m venv "$work/venv"
logged "$work/install.log" "$work/venv/bin/pip" install --no-index "$wheel"
run "$work/venv/bin/pip" show -f dexmora >"$work/show.txt"
soabi=$("$python" -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
site=$(sed -n 's/^Location: //p' "$work/show.txt")
case "$site" in
  "$work/venv/"*) ;;
  *) fail "pip show places dexmora outside the venv: $site" ;;
esac
for file in __init__.py __init__.pyi py.typed "_dexmora$soabi"; do
  grep -qx "  dexmora/$file" "$work/show.txt" || fail "pip show -f does not list dexmora/$file"
  [ -f "$site/dexmora/$file" ] || fail "dexmora/$file is not in $site"
done
grep -qx "Version: $version" "$work/show.txt" || fail "pip show gives another version than $version"
extension=$site/dexmora/_dexmora$soabi
readelf -d "$extension" >"$work/dynamic.txt"
grep NEEDED "$work/dynamic.txt" | grep -q libdexmora && fail "the wheel's extension needs libdexmora: $(grep NEEDED "$work/dynamic.txt")"
grep -q -e RPATH -e RUNPATH "$work/dynamic.txt" && fail "the wheel's extension carries a run path: $(grep PATH "$work/dynamic.txt")"
ldd "$extension" | grep 'not found' && fail "the wheel's extension needs libraries the system does not have"

# Imported from /tmp in isolated mode: nothing but the venv on the path.
"$cli" -o "$work/cli.png" "SN-000123"
rows=$(cd /tmp && run "$work/venv/bin/python" -I -c 'import dexmora; print(dexmora.encode("123456").rows)')
[ "$rows" = 10 ] || fail "the venv's dexmora.encode(\"123456\").rows printed $rows, not 10"
(cd /tmp && run "$work/venv/bin/python" -I -c '
import sys
import dexmora
venv, version, cli = sys.argv[1:]
assert dexmora.__file__.startswith(venv + "/"), dexmora.__file__
assert dexmora.__version__ == version, dexmora.__version__
with open(cli, "rb") as picture:
    assert dexmora.encode("SN-000123").png() == picture.read(), "another picture than dexmora-cli"
' "$work/venv" "$version" "$work/cli.png") || fail "the wheel's dexmora is not the library dexmora-cli runs on"

# The source tree itself, in a venv that sees Debian's setuptools and wheel;
# the CMake build of the wheel is reused.
run "$python" -m venv --system-site-packages "$work/system-venv"
logged "$work/source.log" "$work/system-venv/bin/pip" install --no-index --no-build-isolation "$src"
(cd /tmp && run "$work/system-venv/bin/python" -I -c '
import sys
import dexmora
assert dexmora.__file__.startswith(sys.argv[1] + "/"), dexmora.__file__
assert dexmora.encode("123456").rows == 10
' "$work/system-venv") || fail "pip install --no-build-isolation $src did not give the venv its own dexmora"

after=$(checkout_status)
[ "$before" = "$after" ] || fail "the builds left files in the checkout:
$(printf '%s\n' "$after" | grep -vxF "$before")"
[ "$failed" = 0 ] && echo "wheel $(basename "$wheel") built, installed offline, imported from /tmp"
exit "$failed"
