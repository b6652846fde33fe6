#!/bin/bash
# Sets up (and takes down) the PDF print queue that the printing tests print to.
#
#   print-queue.sh setup     start the scheduler if needed, add the queue
#                            "cardprint-test-pdf" on a file: device and make it
#                            the system default printer
#   print-queue.sh extra     add only the further queues "<queue>-a" and
#                            "<queue>-b" (PDF, like the default one) and
#                            "<queue>-noa6" (the Generic PostScript driver,
#                            whose paper list has no A6); the default
#                            printer is left alone (setup adds them as well)
#   print-queue.sh teardown  give the default back to the printer that had it
#                            before (or to none) and stop the scheduler if
#                            setup started it; the queue itself stays
#
# The queue writes every job to $CARDPRINT_CUPS_DIR/out.pdf through the
# "Generic PDF Printer" driver of cups-filters, which passes the program's PDF
# through unchanged, so the tests can read back where each character landed.
# File devices stay allowed in cups-files.conf after teardown, so that the
# queue keeps working. Needs root and the packages cups, cups-client, cups-bsd,
# cups-filters, poppler-utils.
set -euo pipefail
export LC_ALL=C  # lpstat's answers are parsed in English

QUEUE=${CARDPRINT_CUPS_QUEUE:-cardprint-test-pdf}
# The tests find the further queues by these names (see the tests' CMakeLists).
SPOOL=${CARDPRINT_CUPS_DIR:-/var/tmp/cardprint-cups}
STATE=$SPOOL/state
FILES_CONF=/etc/cups/cups-files.conf

log() { echo "print-queue: $*" >&2; }

scheduler_up() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

wait_for_scheduler() {
    for _ in $(seq 1 300); do
        scheduler_up && return 0
        sleep 0.1
    done
    log "the scheduler does not answer"
    return 1
}

current_default() { lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p'; }

# cupsd refuses file: devices unless cups-files.conf allows them.
allow_file_devices() {
    if grep -Eq '^[[:space:]]*FileDevice[[:space:]]+Yes' "$FILES_CONF"; then
        return 1
    fi
    echo "FileDevice Yes" >>"$FILES_CONF"
    log "allowed file devices in $FILES_CONF"
    return 0
}

start_scheduler() {
    # cupsd forks into the background by itself; keep it off our output.
    cupsd </dev/null >/dev/null 2>&1
    wait_for_scheduler
}

# Restarts a scheduler that was running before setup, so that it reads the
# changed cups-files.conf. It stays running afterwards.
restart_scheduler() {
    local pid
    pid=$(pgrep -xo cupsd || true)
    if [ -n "$pid" ]; then
        kill -TERM "$pid"
        for _ in $(seq 1 300); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    start_scheduler
}

# Stops the scheduler that setup started, and only that one.
stop_started_scheduler() {
    [ -f "$STATE/started-pid" ] || return 0
    local pid
    pid=$(cat "$STATE/started-pid")
    rm -f "$STATE/started-pid"
    [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = cupsd ] || return 0
    kill -TERM "$pid"
    for _ in $(seq 1 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    log "stopped the cupsd that setup started (pid $pid)"
}

# lpadmin warns on every call that PPD drivers are deprecated; keep the rest.
lpadmin_quiet() {
    local output
    if ! output=$(lpadmin "$@" 2>&1); then
        printf '%s\n' "$output" >&2
        return 1
    fi
    printf '%s\n' "$output" | grep -v -e 'deprecated' -e '^$' >&2 || true
}

generic_pdf_ppd() {
    lpinfo -m 2>/dev/null | grep -i 'generic pdf printer' | head -n 1 | cut -d' ' -f1
}

generic_ps_ppd() {
    lpinfo -m 2>/dev/null | grep -i 'generic postscript printer' | head -n 1 | cut -d' ' -f1
}

# The printer choice is tested with two PDF queues that print into files of
# their own, the paper check with a queue whose driver knows no A6.
extra() {
    mkdir -p "$SPOOL"
    chmod 0755 "$SPOOL"
    local pdf ps
    pdf=$(generic_pdf_ppd)
    ps=$(generic_ps_ppd)
    if [ -z "$pdf" ] || [ -z "$ps" ]; then
        log "no \"Generic PDF Printer\" or \"Generic PostScript Printer\" driver"
        exit 1
    fi
    lpadmin_quiet -p "$QUEUE-a" -E -v "file://$SPOOL/out-a.pdf" -m "$pdf"
    lpadmin_quiet -p "$QUEUE-b" -E -v "file://$SPOOL/out-b.pdf" -m "$pdf"
    lpadmin_quiet -p "$QUEUE-noa6" -E -v "file://$SPOOL/out-noa6.ps" -m "$ps"
    log "queues $QUEUE-a, $QUEUE-b and $QUEUE-noa6 print into $SPOOL"
}

setup() {
    mkdir -p "$STATE"
    chmod 0755 "$SPOOL"
    local changed=0
    allow_file_devices && changed=1
    if ! scheduler_up; then
        start_scheduler
        pgrep -xn cupsd >"$STATE/started-pid" || true
        log "started cupsd (pid $(cat "$STATE/started-pid"))"
    elif [ "$changed" = 1 ]; then
        restart_scheduler
    fi

    # Remember the default printer of the machine, not our own queue when
    # setup runs twice.
    local current
    current=$(current_default)
    if [ "$current" != "$QUEUE" ] || [ ! -f "$STATE/previous-default" ]; then
        [ "$current" = "$QUEUE" ] && current=""
        printf '%s\n' "$current" >"$STATE/previous-default"
    fi

    local ppd
    ppd=$(generic_pdf_ppd)
    if [ -z "$ppd" ]; then
        log "no \"Generic PDF Printer\" driver (is cups-filters installed?)"
        exit 1
    fi
    lpadmin_quiet -p "$QUEUE" -E -v "file://$SPOOL/out.pdf" -m "$ppd"
    lpadmin_quiet -d "$QUEUE"
    local was
    was=$(cat "$STATE/previous-default")
    log "queue $QUEUE -> $SPOOL/out.pdf is the default printer (was: ${was:-none})"
    extra
}

teardown() {
    if ! scheduler_up; then
        log "the scheduler is not running; nothing to restore"
        return 0
    fi
    local previous=""
    [ -f "$STATE/previous-default" ] && previous=$(cat "$STATE/previous-default")
    if [ -n "$previous" ] && lpstat -p "$previous" >/dev/null 2>&1; then
        lpadmin_quiet -d "$previous"
        log "default printer is $previous again"
    elif [ "$(current_default)" = "$QUEUE" ]; then
        # CUPS cannot clear the default directly: adding the queue afresh
        # leaves it in place without being the default.
        local uri ppd
        uri=$(lpoptions -p "$QUEUE" | grep -o 'device-uri=[^ ]*' | cut -d= -f2-)
        ppd=$(generic_pdf_ppd)
        lpadmin_quiet -x "$QUEUE"
        lpadmin_quiet -p "$QUEUE" -E -v "$uri" -m "$ppd"
        log "no default printer again"
    fi
    rm -f "$STATE/previous-default"
    stop_started_scheduler
}

case "${1:-}" in
setup) setup ;;
extra) extra ;;
teardown) teardown ;;
*)
    echo "usage: $0 setup|extra|teardown" >&2
    exit 2
    ;;
esac
