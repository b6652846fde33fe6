#!/usr/bin/env bash
# Builds the Debian package of the program into dist/ (CPack's DEB generator,
# library dependencies from dpkg-shlibdeps). Install it with
#   apt-get install ./dist/cardprint_<version>_<arch>.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$root/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

build="$root/build-package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCARDPRINT_BENCH=OFF >/dev/null
cmake --build "$build" --target cardprint cardprint_doc -j "$(jobs_count)"
mkdir -p "$root/dist"
(cd "$build" && cpack -G DEB -B "$root/dist" >/dev/null)
rm -rf "$root/dist/_CPack_Packages"
ls "$root"/dist/*.deb
