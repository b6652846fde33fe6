#!/usr/bin/env bash
# Remakes the README's pictures in docs/screenshots/: the main window, the
# settings dialog and the preview, taken from the real window on a virtual
# display (Xvfb), and the page the print button sends to the printer.
# The page goes to a PDF print queue: the one PRINTER names, whose file is
# $CARDPRINT_CUPS_DIR/out.pdf, or, when PRINTER is not set, the test queue of
# tests/cups/print-queue.sh set up for the run (needs root).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" xvfb xauth poppler-utils cups cups-client cups-bsd cups-filters

build="$root/build-tools"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARDPRINT_TOOLS=ON -DCARDPRINT_BENCH=OFF >/dev/null
cmake --build "$build" --target screenshots -j "$(jobs_count)"

if [ -z "${PRINTER:-}" ]; then
    "$root/tests/cups/print-queue.sh" setup
    trap '"$root/tests/cups/print-queue.sh" teardown' EXIT
    export PRINTER="${CARDPRINT_CUPS_QUEUE:-cardprint-test-pdf}"
fi
spool="${CARDPRINT_CUPS_DIR:-/var/tmp/cardprint-cups}"
out="$root/docs/screenshots"
rm -f "$spool/out.pdf"

env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1600x1000x24" "$build/tools/screenshots" "$root" "$out"

for _ in $(seq 150); do
    [ -s "$spool/out.pdf" ] && [ -z "$(lpstat -o "$PRINTER" 2>/dev/null)" ] && break
    sleep 0.2
done
[ -s "$spool/out.pdf" ] || { echo "screenshots: the printed page did not arrive in $spool/out.pdf" >&2; exit 1; }
pdftoppm -png -r 100 -singlefile "$spool/out.pdf" "$out/printed-card"
echo "wrote $out/printed-card.png"
