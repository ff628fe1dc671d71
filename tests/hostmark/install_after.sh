#!/bin/sh
# Runs the installed hostmark tool from the scratch prefix the install check made.
set -eu
tool=$1/bin/hostmark

# The UUID text this machine should give, read from the sources libhostmark reads, in the
# same order and by the same rules; empty when the machine has none.
trimmed() {
    [ -f "$1" ] && [ -r "$1" ] || return 0
    sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' "$1" 2>/dev/null | tr -d '\n'
}
machine_id_uuid() {
    printf '%s' "$1" | grep -Eq '^[0-9a-fA-F]{32}$' || return 0
    printf '%s' "$1" | tr 'a-f' 'A-F' |
        sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12})$/\1-\2-\3-\4-\5/'
}
expected_uuid() {
    uuid=$(trimmed /sys/class/dmi/id/product_uuid)
    # Bytes that are not UTF-8 text are no UUID; the machine-ids are not read then.
    printf '%s' "$uuid" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 || return 0
    [ -n "$uuid" ] || uuid=$(machine_id_uuid "$(trimmed /etc/machine-id)")
    [ -n "$uuid" ] || uuid=$(machine_id_uuid "$(trimmed /var/lib/dbus/machine-id)")
    case $uuid in
        00000000-0000-1000-8000-*) printf '%s' "${uuid##*-}" | tr 'A-F' 'a-f' ;;
        *) printf '%s' "$uuid" ;;
    esac
}

expected=$(expected_uuid)
status=0
"$tool" uuid >"$1/uuid.out" 2>"$1/uuid.err" || status=$?
if [ -n "$expected" ]; then
    [ "$status" -eq 0 ] && [ "$(cat "$1/uuid.out")" = "$expected" ] && [ ! -s "$1/uuid.err" ] || {
        echo "hostmark uuid: expected '$expected', got status $status: $(cat "$1/uuid.out" "$1/uuid.err")"
        exit 1
    }
    printf '%s' "$expected" | grep -Eq '^([0-9A-Fa-f]{8}-([0-9A-Fa-f]{4}-){3}[0-9A-Fa-f]{12}|[0-9a-f]{12})$' || {
        echo "hostmark uuid: '$expected' is not a well-formed UUID"
        exit 1
    }
    echo "installed hostmark tool gave the platform UUID"
else
    [ "$status" -eq 1 ] && [ ! -s "$1/uuid.out" ] &&
        [ "$(cat "$1/uuid.err")" = "hostmark: the platform UUID could not be read" ] || {
        echo "hostmark uuid on a machine without one: status $status: $(cat "$1/uuid.out" "$1/uuid.err")"
        exit 1
    }
    echo "installed hostmark tool said the machine has no platform UUID"
fi

"$tool" ip | grep -q '127\.0\.0\.1-255\.0\.0\.0'
[ "$("$tool" encode hello | wc -l)" -eq 2 ]
status=0
"$tool" encode >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ]
echo "installed hostmark tool ran"
