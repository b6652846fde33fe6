#!/usr/bin/env bash
# Builds the program and runs every test twice: in a plain build and in an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Exits non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$root/scripts/common.sh"

set -e
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev \
    cups cups-client cups-bsd cups-filters poppler-utils sqlite3 postgresql \
    libxlsxwriter-dev python3 python3-odf python3-openpyxl python3-xlwt
set +e

jobs="$(jobs_count)"
status=0

# Printing is tested through a real spooler with a PDF queue as the default printer.
"$root/tests/cups/print-queue.sh" setup || { echo "test.sh: could not set up the test print queue"; exit 1; }
# The database suites run against SQLite and, once more, against a throw-away
# PostgreSQL server of this run's own (a Unix socket in a temporary folder).
# In /tmp, whatever TMPDIR says: the server's user must reach the folder, and a
# socket's path must stay short.
pg_dir="$(mktemp -d /tmp/cardprint-pg.XXXXXX)"
trap '"$root/tests/pg/test-cluster.sh" stop "$pg_dir"; "$root/tests/cups/print-queue.sh" teardown' EXIT
# An interrupted run ends through the EXIT trap too, so the server is stopped.
trap 'exit 130' INT
trap 'exit 143' TERM
pg_env="$("$root/tests/pg/test-cluster.sh" start "$pg_dir")" || { echo "test.sh: could not start the test database server"; exit 1; }
eval "$pg_env"

export QT_QPA_PLATFORM=offscreen
export LC_ALL=C.UTF-8

build_and_test() {
    local dir="$1"
    shift
    echo "=== $(basename "$dir") ==="
    cmake -S "$root" -B "$dir" -G Ninja "$@" || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

build_and_test "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARDPRINT_BENCH=ON || status=1

# The Debian package: build, unpacked file list, validators, start in an empty home folder.
echo "=== package ==="
"$root/tests/package/check-package.sh" || status=1

# Leaks inside the font and printing libraries are not the program's; the
# suppressions keep the report about our own code.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
build_and_test "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCARDPRINT_SANITIZE=ON -DCARDPRINT_BENCH=OFF || status=1

if [ "$status" -ne 0 ]; then
    echo "test.sh: FAILED"
else
    echo "test.sh: all tests passed"
fi
exit "$status"
