#!/bin/sh
# Runs the installed hostmark tool from the scratch prefix the install check made.
set -eu
tool=$1/bin/hostmark
"$tool" uuid
"$tool" ip | grep -q '127\.0\.0\.1-255\.0\.0\.0'
[ "$("$tool" encode hello | wc -l)" -eq 2 ]
status=0
"$tool" encode >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ]
echo "installed hostmark tool ran"
