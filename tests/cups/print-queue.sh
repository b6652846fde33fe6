#!/bin/bash
# Sets up (and takes down) the PDF print queue that the printing tests print to.
#
#   print-queue.sh setup     start the scheduler if needed, add the queue
#                            "cardprint-test-pdf" on a file: device and make it
#                            the system default printer
#   print-queue.sh teardown  give the default back to the printer that had it
#                            before (or to none); the queue itself stays
#
# The queue writes every job to $CARDPRINT_CUPS_DIR/out.pdf through the
# "Generic PDF Printer" driver of cups-filters, which passes the program's PDF
# through unchanged, so the tests can read back where each character landed.
# Needs root and the packages cups, cups-client, cups-bsd, cups-filters,
# poppler-utils.
set -euo pipefail

QUEUE=${CARDPRINT_CUPS_QUEUE:-cardprint-test-pdf}
SPOOL=${CARDPRINT_CUPS_DIR:-/var/tmp/cardprint-cups}
STATE=$SPOOL/state
FILES_CONF=/etc/cups/cups-files.conf

log() { echo "print-queue: $*" >&2; }

scheduler_up() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

wait_for_scheduler() {
    for _ in $(seq 1 100); do
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
    [ -f "$STATE/files-conf.orig" ] || cp -p "$FILES_CONF" "$STATE/files-conf.orig"
    echo "FileDevice Yes" >>"$FILES_CONF"
    log "allowed file devices in $FILES_CONF"
    return 0
}

start_scheduler() {
    # cupsd forks into the background by itself; keep it off our output.
    cupsd </dev/null >/dev/null 2>&1
    wait_for_scheduler
    pgrep -xn cupsd >"$STATE/started-pid" || true
    log "started cupsd (pid $(cat "$STATE/started-pid"))"
}

restart_scheduler() {
    local pid
    pid=$(pgrep -xo cupsd || true)
    if [ -n "$pid" ]; then
        kill -TERM "$pid"
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    start_scheduler
}

generic_pdf_ppd() {
    lpinfo -m 2>/dev/null | grep -i 'generic pdf printer' | head -n 1 | cut -d' ' -f1
}

setup() {
    mkdir -p "$STATE"
    # The filters write the output file as user lp.
    chmod 0777 "$SPOOL"
    local changed=0
    allow_file_devices && changed=1
    if ! scheduler_up; then
        start_scheduler
    elif [ "$changed" = 1 ]; then
        restart_scheduler
    fi

    local previous
    previous=$(current_default)
    if [ "$previous" != "$QUEUE" ]; then
        printf '%s\n' "$previous" >"$STATE/previous-default"
    fi

    local ppd
    ppd=$(generic_pdf_ppd)
    if [ -z "$ppd" ]; then
        log "no \"Generic PDF Printer\" driver (is cups-filters installed?)"
        exit 1
    fi
    lpadmin -p "$QUEUE" -E -v "file://$SPOOL/out.pdf" -m "$ppd"
    lpadmin -d "$QUEUE"
    log "queue $QUEUE -> $SPOOL/out.pdf is the default printer (was: ${previous:-none})"
}

teardown() {
    if ! scheduler_up; then
        log "the scheduler is not running; nothing to restore"
        return 0
    fi
    local previous=""
    [ -f "$STATE/previous-default" ] && previous=$(cat "$STATE/previous-default")
    if [ -n "$previous" ] && lpstat -p "$previous" >/dev/null 2>&1; then
        lpadmin -d "$previous"
        log "default printer is $previous again"
    elif [ "$(current_default)" = "$QUEUE" ]; then
        # CUPS cannot clear the default directly: adding the queue afresh
        # leaves it in place without being the default.
        local uri ppd
        uri=$(lpstat -v "$QUEUE" | sed -n 's/^device for [^:]*: //p')
        ppd=$(generic_pdf_ppd)
        lpadmin -x "$QUEUE"
        lpadmin -p "$QUEUE" -E -v "$uri" -m "$ppd"
        log "no default printer again"
    fi
    rm -f "$STATE/previous-default"
}

case "${1:-}" in
setup) setup ;;
teardown) teardown ;;
*)
    echo "usage: $0 setup|teardown" >&2
    exit 2
    ;;
esac
