#!/bin/sh
# `make demo` (the last step of `make run`) against a stand-in installer that ends with a
# chosen exit code: a demo the person leaves (3, or Ctrl-C: 130) ends make quietly with 0, one that fails
# (1, 2, 143) is still make's failure.
# Usage: make_demo_check.sh SOURCE_DIR MAKE
set -eu
source_dir=$1 make=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/installer"

run_demo() {
    printf '#!/bin/sh\necho "demo ran with $*"\nexit %s\n' "$1" >"$work/installer/packgate-installer"
    chmod +x "$work/installer/packgate-installer"
    status=0
    "$make" --no-print-directory -C "$source_dir" demo BUILD="$work" \
        >"$work/out" 2>"$work/err" || status=$?
}

for code in 0 3 130; do
    run_demo "$code"
    [ "$status" -eq 0 ] || { echo "exit $code: make answered $status"; cat "$work/err"; exit 1; }
    [ ! -s "$work/err" ] || { echo "exit $code: make printed:"; cat "$work/err"; exit 1; }
    grep -qx 'demo ran with --demo' "$work/out" || { echo "exit $code: no demo"; exit 1; }
done
for code in 1 2 143; do
    run_demo "$code"
    [ "$status" -ne 0 ] || { echo "exit $code: make answered 0"; exit 1; }
    grep -q 'Error' "$work/err" || { echo "exit $code: make reported nothing"; exit 1; }
done
echo "make demo: 0, 3 and 130 end quietly, 1, 2 and 143 fail"
