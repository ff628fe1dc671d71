#!/usr/bin/env bash
# make demo: the demo machine's run with the maker's inbox beside it. Starts packgate-inbox on
# a free loopback port with a throwaway certificate for the feedback host's name, runs
# packgate-installer --demo (with ARGS...) sending the pane's reports there, stops the inbox
# and says what it received. The installer's exit status is the script's.
#
#   run_with_inbox.sh BUILD_FOLDER [INSTALLER ARGS...]
set -u
build=$1
shift
folder=$build/demo-inbox
inbox=$build/inbox/packgate-inbox
installer=$build/installer/packgate-installer
# A build without the inbox (or a stand-in installer's) runs the demo alone.
if [ ! -x "$inbox" ] || [ ! -f "$build/CMakeCache.txt" ]; then
    exec "$installer" --demo "$@"
fi
mkdir -p "$folder"
rm -f "$folder"/reports.sqlite "$folder"/reports.sqlite-wal "$folder"/reports.sqlite-shm

# The certificate must carry the name the feedback log posts to (the build's setting).
url=$(sed -n 's/^PACKGATE_FEEDBACK_URL:STRING=//p' "$build/CMakeCache.txt")
host=${url#https://}
host=${host%%/*}
host=${host%%:*}

"$inbox" serve --self-signed --cert "$folder/cert.pem" --name "$host" --listen 127.0.0.1:0 \
    --database "$folder/reports.sqlite" >"$folder/serve.out" 2>"$folder/serve.log" &
inbox_pid=$!
trap 'kill "$inbox_pid" 2>/dev/null; wait "$inbox_pid" 2>/dev/null' EXIT
port=
for _ in $(seq 1 200); do
    port=$(sed -n 's|^packgate-inbox: listening on https://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$folder/serve.out")
    [ -n "$port" ] && break
    kill -0 "$inbox_pid" 2>/dev/null || break
    sleep 0.05
done
if [ -z "$port" ]; then
    echo "The maker's inbox did not start (see $folder/serve.log); the demo runs without it." >&2
    "$installer" --demo "$@"
    exit $?
fi

"$installer" --demo --demo-inbox "$port" --demo-inbox-ca "$folder/cert.pem" "$@"
code=$?
kill "$inbox_pid" 2>/dev/null
wait "$inbox_pid" 2>/dev/null
trap - EXIT

# "2026-...Z  127.0.0.1  Resource-Step1  machine ..." lines, then "N reports".
"$inbox" list --database "$folder/reports.sqlite" | awk -v db="$folder/reports.sqlite" -v inbox="$inbox" '
    / reports?$/ { count = $1; next }
    { names = names (names == "" ? "" : ", ") $3 " at " substr($1, 12, 8) }
    END {
        if (count == "") count = 0
        print "The maker'"'"'s inbox received " count (count == 1 ? " report" : " reports") \
              (names == "" ? "" : ": " names) "; read them with: " inbox " list --database " db
    }'
exit "$code"
