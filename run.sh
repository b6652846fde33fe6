#!/usr/bin/env bash
# Builds the program and starts it in its working folder.
# CARDPRINT_WORKDIR names the working folder (default: work/ in this checkout).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$root/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARDPRINT_BENCH=OFF >/dev/null
cmake --build "$root/build" --target cardprint -j "$(jobs_count)"

workdir="${CARDPRINT_WORKDIR:-$root/work}"
mkdir -p "$workdir/fonts"
# Seed the working folder without ever overwriting the operator's own files.
for f in params.txt paramsBackUp.txt; do
    [ -e "$workdir/$f" ] || cp "$root/data/$f" "$workdir/$f"
done
for f in "$root"/data/fonts/*; do
    [ -e "$workdir/fonts/$(basename "$f")" ] || cp "$f" "$workdir/fonts/"
done

cd "$workdir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No graphical display found: starting the program on a virtual display (xvfb-run)."
    ensure_packages xvfb xauth
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$root/build/cardprint"
fi
exec "$root/build/cardprint"
