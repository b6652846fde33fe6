#!/usr/bin/env bash
# Builds the interaction benchmark (Release) and runs it on the three database
# sizes, then prints the table of medians. Arguments go to the benchmark
# program, for instance --sizes=1k,10k or --benchmark_filter=save.
#
# The generated databases are kept in build-bench/bench/bench-cache, so only
# the first run spends the time it takes to generate them (under a minute).
# Printing needs a default printer even in the test print mode: without one,
# the PDF test queue of the tests is set up for the run (needs root) and the
# spooler is left as it was found.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev

build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCARDPRINT_BENCH=ON >/dev/null
cmake --build "$build" --target bench_interactions -j "$(jobs_count)"

if ! lpstat -d 2>/dev/null | grep -q '^system default destination:'; then
    if [ "$(id -u)" -eq 0 ]; then
        ensure_packages cups cups-client cups-bsd cups-filters
        "$root/tests/cups/print-queue.sh" setup
        # Gives the default back and stops the scheduler if setup started it.
        trap '"$root/tests/cups/print-queue.sh" teardown' EXIT
    else
        echo "bench/run.sh: no default printer; the print interaction will fail (run as root to set up the test queue)" >&2
    fi
fi

export QT_QPA_PLATFORM=offscreen
export LC_ALL=C.UTF-8
"$build/bench/bench_interactions" "$@"
