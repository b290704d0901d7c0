#!/usr/bin/env bash
# Builds the Debian packages chatscope and chatkeeper from one build and checks
# them with lintian. The packages land in $BUILD_DIR/packages.
#
#   BUILD_DIR  build folder to use or make (default build-package); an existing
#              build folder, such as the test build, is reused as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build-package}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCHATLOG_BUILD_TESTS=OFF -DCHATLOG_BUILD_BENCH=OFF
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"

# The changelog's newest entry names the project's version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
changelog_version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' packaging/debian/changelog)
if [ "$version" != "$changelog_version" ]; then
    echo "package.sh: project version $version, but packaging/debian/changelog starts with $changelog_version" >&2
    exit 1
fi

rm -rf "$BUILD_DIR/packages"
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
packages=("$BUILD_DIR"/packages/chatscope_"$version"_*.deb "$BUILD_DIR"/packages/chatkeeper_"$version"_*.deb)
for deb in "${packages[@]}"; do
    [ -f "$deb" ] || { echo "package.sh: $deb was not built" >&2; exit 1; }
done

# Errors fail the build; warnings are shown.
lintian --fail-on error "${packages[@]}"
printf '%s\n' "${packages[@]}"
