#!/usr/bin/env bash
# Builds the Debian package with package.sh and checks it: the file list of an
# unpacked copy, the package's fields and dependencies, lintian, the menu entry
# and AppStream validators, the icon sizes, and that the unpacked program,
# started in an empty home folder, seeds its working folder and opens its window.
# Exits non-zero on the first failure.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/tests/package"
. "$root/scripts/common.sh"

fail() { echo "check-package: FAILED: $*" >&2; exit 1; }

"$root/package.sh"
debs=("$root"/dist/cardprint_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected exactly one package in dist/"
deb="${debs[0]}"

scratch="$(mktemp -d)"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# The unpacked files, exactly.
dpkg -x "$deb" "$scratch/root"
(cd "$scratch/root" && find . -type f | LC_ALL=C sort) >"$scratch/files.txt"
diff -u "$here/expected-files.txt" "$scratch/files.txt" || fail "file list differs"
usr="$scratch/root/usr"
cmp "$usr/share/cardprint/params.txt" "$root/data/params.txt" || fail "params.txt differs from data/"

# Fields and what the package pulls in on installation.
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libqt5sql5-sqlite libqt5printsupport5 libqt5core5a libqt5widgets5 fonts-liberation qttranslations5-l10n; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
grep -qE "(^|, )libqt5sql5-psql( |,|$)" <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends lacks libqt5sql5-psql"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 2 ] || fail "no extended Description"

lintian --fail-on error "$deb" || fail "lintian reports errors"
desktop-file-validate "$usr/share/applications/org.cardprint.CardPrint.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/org.cardprint.CardPrint.metainfo.xml" || fail "appstreamcli validate"
grep -qx 'Name=Печать личных карточек' "$usr/share/applications/org.cardprint.CardPrint.desktop" || fail "menu name"
for size in 48 64 128 256; do
    file "$usr/share/icons/hicolor/${size}x${size}/apps/org.cardprint.CardPrint.png" | grep -q "PNG image data, $size x $size" ||
        fail "icon ${size}x${size}"
done

# The menu entry's command in a fresh home folder: the user data folder is
# created, seeded with the installed files, and the program gets as far as its tables.
home="$scratch/home"
mkdir -p "$home" "$scratch/elsewhere"
run_env=(env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen)
workdir="$home/.local/share/cardprint"
"${run_env[@]}" "$usr/bin/cardprint" --help >"$scratch/help.txt"
grep -qF "Рабочая папка: $workdir (папка данных пользователя)" "$scratch/help.txt" || fail "--help: $(cat "$scratch/help.txt")"
[ -z "$(ls -A "$home")" ] || fail "--help created files in the home folder"

(cd "$scratch/elsewhere" && exec "${run_env[@]}" "$usr/bin/cardprint") &
pid=$!
for _ in $(seq 150); do
    tables="$(sqlite3 "$workdir/dataBase.db" "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('companies', 'personal', 'cards')" 2>/dev/null || true)"
    [ "$tables" = 3 ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended at start-up"
    sleep 0.2
done
[ "$tables" = 3 ] || fail "the tables companies, personal and cards are not all in $workdir/dataBase.db"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended after start-up"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
for f in params.txt paramsBackUp.txt fonts/LiberationSerif-Regular.ttf; do
    cmp "$workdir/$f" "$usr/share/cardprint/$f" || fail "seeded $f"
done
[ -z "$(ls -A "$scratch/elsewhere")" ] || fail "files written to the start folder"

# A real installation needs only what the archive offers (when the package lists are there).
if [ "$(id -u)" -eq 0 ] && apt-cache policy qttranslations5-l10n | grep -q 'Candidate: [0-9]'; then
    apt-get -s install "$deb" >"$scratch/apt.txt" || { cat "$scratch/apt.txt"; fail "apt-get cannot install the package"; }
fi
echo "check-package: $(basename "$deb") passed"
