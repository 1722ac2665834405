# Debian packages the project needs, by purpose; sourced by ./run and ./test.
BUILD_PACKAGES="cmake g++ make pkg-config libpng-dev zlib1g-dev qt6-base-dev qt6-qpa-plugins libgl-dev scdoc libmicrohttpd-dev"
# Label sheets (sheet/): caption shaping and subsetting, font lookup, and a font for
# Latin, Greek and Cyrillic captions; fonts-wqy-microhei (below) has the Chinese.
BUILD_PACKAGES="$BUILD_PACKAGES libharfbuzz-dev libfontconfig-dev libfreetype-dev fonts-dejavu-core"
# What the dialog needs on a real display: Qt's own translations (for its
# standard buttons) and a font with the Chinese captions.
RUN_PACKAGES="qt6-translations-l10n fonts-wqy-microhei"
# What ./run builds beside the two programs, so that every README command and
# `cmake --install` work: --verify's reader module and the Python module.
BUILD_PACKAGES="$BUILD_PACKAGES libzxing-dev pybind11-dev python3-dev"
TEST_PACKAGES="qt6-translations-l10n python3 libgtest-dev libbenchmark-dev valgrind desktop-file-utils librsvg2-bin poppler-utils ghostscript libxml2-utils util-linux dpkg-dev man-db groff-base lintian bash-completion file doxygen libcurl4-openssl-dev libjsoncpp-dev"
# The generator page in a browser and the service behind nginx. Node may come
# from another source that bundles npm, where Debian's npm would conflict with it.
TEST_PACKAGES="$TEST_PACKAGES chromium nodejs nginx-light curl python3"
command -v npm >/dev/null || TEST_PACKAGES="$TEST_PACKAGES npm"
# bench/serve_load.sh
LOAD_PACKAGES="wrk procps curl"
# What the Python module's tests run on.
TEST_PACKAGES="$TEST_PACKAGES python3-pytest python3-hypothesis python3-numpy python3-zxing-cpp python3-pil"
# Wheels and `pip install` of the source tree (python/tests/wheel.sh).
TEST_PACKAGES="$TEST_PACKAGES python3-build python3-venv python3-setuptools python3-wheel"
# The Flask view of docs/python.md.
TEST_PACKAGES="$TEST_PACKAGES python3-flask"
# The README test tells what its commands left in its copy with git status.
TEST_PACKAGES="$TEST_PACKAGES git"
FUZZ_PACKAGES="clang libclang-rt-14-dev"
# libdexmora.so.1's ABI checked against abi/ (tests/abi, abi/update.sh).
TEST_PACKAGES="$TEST_PACKAGES abigail-tools binutils"
