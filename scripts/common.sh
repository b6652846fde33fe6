# Shared by run.sh and test.sh: installs the Debian packages that are missing.
# Usage: ensure_packages pkg...
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libsqlite3-dev
                libqt5sql5-psql libqt5printsupport5 fonts-liberation fonts-dejavu-core qttranslations5-l10n liborcus-dev
                libfreexl-dev libzip-dev)

# What package.sh and its check need beyond the build.
PACKAGE_PACKAGES=(dpkg-dev fakeroot file lintian desktop-file-utils appstream)

jobs_count() {
    nproc 2>/dev/null || echo 2
}
