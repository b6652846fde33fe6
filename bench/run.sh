#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them, each printing its table:
#   interactions  the main window's interactions on the three database sizes,
#                 the window's start and the peak memory (bench_interactions)
#   journal       the register of issued cards at 100,000 rows (bench_journal)
#   batch         a batch of 100 cards handed to the spooler (bench_batch)
# All three by default, in that order; --only=NAME[,NAME] picks some. Other
# arguments go to the interaction benchmark, for instance --sizes=1k,10k or
# --benchmark_filter=save.
#
# The generated databases are kept in build-bench/bench/bench-cache, so only
# the first run spends the time it takes to generate them (under a minute).
# Printing needs a default printer even in the test print mode: without one,
# the PDF test queue of the tests is set up for the run (needs root) and the
# spooler is left as it was found.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/scripts/common.sh"

only="interactions,journal,batch"
args=()
for arg in "$@"; do
    case "$arg" in
    --only=*) only="${arg#--only=}" ;;
    *) args+=("$arg") ;;
    esac
done
wanted() { [[ ",$only," == *",$1,"* ]]; }
targets=()
for name in interactions journal batch; do
    wanted "$name" && targets+=("bench_$name")
done
if [ "${#targets[@]}" -eq 0 ]; then
    echo "bench/run.sh: --only takes interactions, journal and batch" >&2
    exit 2
fi

ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev

build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCARDPRINT_BENCH=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(jobs_count)"

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
status=0
if wanted interactions; then
    "$build/bench/bench_interactions" "${args[@]+"${args[@]}"}" || status=1
fi
if wanted journal; then
    echo
    echo "=== register of issued cards (bench_journal) ==="
    "$build/bench/bench_journal" || status=1
fi
if wanted batch; then
    echo
    echo "=== batch printing (bench_batch) ==="
    "$build/bench/bench_batch" || status=1
fi
exit "$status"
