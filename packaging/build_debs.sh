#!/usr/bin/env bash
# Builds the Debian packages of this source tree into one folder and checks them with lintian.
#   packaging/build_debs.sh OUT      (OUT: e.g. build-deb; relative to the source tree)
# dpkg-buildpackage writes its results to the parent of the tree it builds, so it builds a
# copy under OUT/source/ (build folders left out) and the results are moved up into OUT.
# JOBS (parallel jobs) and PACKGATE_DEB_CMAKE_ARGS (extra CMake arguments) pass through.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 OUT" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)
version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
copy=$out/source/packgate-$version

# A fresh copy of the tree without build products, version control or editor caches.
rm -rf "$out/source"
mkdir -p "$copy"
for entry in "$here"/* "$here"/.[!.]*; do
    [ -e "$entry" ] || continue
    case $(basename "$entry") in
        build* | obj-* | .git | .cache) continue ;;
    esac
    [ "$entry" -ef "$out" ] || cp -a "$entry" "$copy/"
done

# Packages whose sources are in the tree are built; the others are left out by their profile.
profiles=""
[ -d "$here/packtool" ] && profiles="$profiles pkg.packgate.pack"
[ -d "$here/inbox" ] && profiles="$profiles pkg.packgate.inbox"

rm -f "$out"/*.deb "$out"/*.ddeb "$out"/*.buildinfo "$out"/*.changes
(
    cd "$copy"
    export DEB_BUILD_OPTIONS="nocheck parallel=${JOBS:-2}"
    export DEB_BUILD_PROFILES="${profiles# }"
    export PACKGATE_DEB_CMAKE_ARGS="${PACKGATE_DEB_CMAKE_ARGS:-}"
    dpkg-buildpackage -us -uc -b >"$out/dpkg-buildpackage.log" 2>&1
) || { tail -n 40 "$out/dpkg-buildpackage.log"; echo "make deb: dpkg-buildpackage failed (log: $out/dpkg-buildpackage.log)"; exit 1; }
mv "$out"/source/*.deb "$out"/source/*.buildinfo "$out"/source/*.changes "$out"/
mv "$out"/source/*.ddeb "$out"/ 2>/dev/null || true
rm -rf "$out/source"

debs=("$out"/*.deb)
for deb in "${debs[@]}"; do
    echo "make deb: built $(basename "$deb")"
done
# Errors and warnings fail; overrides in debian/*.lintian-overrides carry their reasons.
if ! lintian --fail-on error,warning "${debs[@]}" >"$out/lintian.log" 2>&1; then
    cat "$out/lintian.log"
    echo "make deb: lintian found errors or warnings"
    exit 1
fi
echo "make deb: lintian: no errors, no warnings (${#debs[@]} packages)"
