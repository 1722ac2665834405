# Debian packages the project needs, by purpose; sourced by ./run and ./test.
BUILD_PACKAGES="cmake g++ make pkg-config libpng-dev zlib1g-dev qt6-base-dev qt6-qpa-plugins libgl-dev"
TEST_PACKAGES="libgtest-dev libzxing-dev libbenchmark-dev valgrind desktop-file-utils"
FUZZ_PACKAGES="clang libclang-rt-14-dev"
