# Debian packages the project needs, by purpose; sourced by ./run and ./test.
BUILD_PACKAGES="cmake g++ make pkg-config libpng-dev zlib1g-dev libcli11-dev qt6-base-dev qt6-qpa-plugins libgl-dev scdoc"
# What the dialog needs on a real display: Qt's own translations (for its
# standard buttons) and a font with the Chinese captions.
RUN_PACKAGES="qt6-translations-l10n fonts-wqy-microhei"
TEST_PACKAGES="qt6-translations-l10n python3 libgtest-dev libzxing-dev libbenchmark-dev valgrind desktop-file-utils librsvg2-bin poppler-utils ghostscript libxml2-utils util-linux dpkg-dev man-db groff-base lintian bash-completion file doxygen"
FUZZ_PACKAGES="clang libclang-rt-14-dev"
