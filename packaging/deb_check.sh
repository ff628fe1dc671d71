#!/usr/bin/env bash
# Installs the Debian packages on a bare Debian 12 and uses them there (run as root).
#   packaging/deb_check.sh OUT      (OUT: the folder of `make deb`, e.g. build-deb)
# Takes the packages `make deb` built into OUT, makes a minimal bookworm from this machine's Debian mirror (kept as
# OUT/bookworm-base.tar for the next run), installs every package with apt, runs the demo,
# builds a program against both libraries with pkg-config, purges the packages and looks for
# anything they left. One line per step; the first failure stops it with a non-zero status.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -eq 1 ] || { echo "usage: $0 OUT" >&2; exit 2; }

step() { echo "deb-check: $*"; }
fail() { echo "deb-check: FAILED: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "run as root (debootstrap and chroot need it)"
mkdir -p "$1"
out=$(cd "$1" && pwd)
root=$out/deb-check-root
base=$out/bookworm-base.tar
log=$out/deb-check.log
: >"$log"

# Run COMMAND... inside the bare machine with a clean environment, its output in the log.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
quiet() { "$@" >>"$log" 2>&1 || { tail -n 30 "$log" >&2; return 1; }; }

cleanup() {
    if mountpoint -q "$root/proc" 2>/dev/null; then umount "$root/proc" || umount -l "$root/proc"; fi
}
trap cleanup EXIT

# 1. The packages.
debs=("$out"/*.deb)
[ -e "${debs[0]}" ] || fail "no packages in $out: run make deb first"
packages=()
for deb in "${debs[@]}"; do packages+=("$(dpkg-deb -f "$deb" Package)"); done

# 2. A bare bookworm, from the mirror this machine uses.
sources=$(python3 "$here/packaging/debian_sources.py")
mirror=$(awk '$3 == "bookworm" { print $2; exit }' <<<"$sources")
[ -n "$mirror" ] || fail "no Debian bookworm mirror in /etc/apt/sources.list(.d)"
if [ ! -s "$base" ]; then
    rm -rf "$root.new"
    quiet debootstrap --variant=minbase bookworm "$root.new" "$mirror" \
        || fail "debootstrap --variant=minbase bookworm from $mirror"
    tar -C "$root.new" -cf "$base.tmp" . && mv "$base.tmp" "$base"
    rm -rf "$root.new"
    step "made a bare bookworm from $mirror (kept as $(basename "$base"))"
else
    step "bare bookworm from $(basename "$base")"
fi
cleanup
rm -rf "$root"
mkdir -p "$root"
tar -C "$root" -xf "$base"
printf '%s\n' "$sources" >"$root/etc/apt/sources.list"
rm -f "$root"/etc/apt/sources.list.d/*
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"

# 3. Every package, with what it depends on, through apt.
mkdir -p "$root/debs"
cp "${debs[@]}" "$root/debs/"
quiet in_root apt-get update -q || fail "apt-get update in the bare machine"
quiet in_root sh -c 'cd /debs && apt-get install -y -q ./*.deb' || fail "apt-get install ./*.deb"
step "installed ${packages[*]}"

# 4. The installed program installs the demo pack, with no terminal and no display.
demo_out=$(in_root packgate-installer --demo --choose 0 </dev/null 2>&1) || {
    echo "$demo_out" | tail -n 20 >&2
    fail "packgate-installer --demo --choose 0"
}
echo "$demo_out" >>"$log"
summary=$(grep ' was installed into ' <<<"$demo_out") || fail "the demo run did not install the pack"
step "packgate-installer --demo: $summary"
# The bare bundle, which loads the system's libcipherkit and libhostmark through its links.
bundle=/usr/lib/packgate/Packgate.bundle
bundle_out=$(in_root packgate-installer --bundle "$bundle" --demo --choose 0 </dev/null 2>&1) || {
    echo "$bundle_out" | tail -n 20 >&2
    fail "packgate-installer --bundle $bundle --demo --choose 0"
}
echo "$bundle_out" >>"$log"
grep -q "^Bundle: $bundle\$" <<<"$bundle_out" || fail "the run did not load $bundle"
step "packgate-installer --bundle $bundle: the pane let the installation go on"
in_root hostmark encode packgate >>"$log" 2>&1 || fail "hostmark encode"
step "hostmark runs"

# 5. A program built against both libraries with pkg-config.
quiet in_root apt-get install -y -q --no-install-recommends g++ pkg-config \
    || fail "apt-get install g++ pkg-config"
mkdir -p "$root/tmp/pkg-config-user"
cp "$here/packaging/pkg_config_user.cpp" "$root/tmp/pkg-config-user/"
quiet in_root sh -c 'cd /tmp/pkg-config-user &&
    g++ -std=c++20 -o user pkg_config_user.cpp $(pkg-config --cflags --libs libcipherkit libhostmark)' \
    || fail "g++ with pkg-config --cflags --libs libcipherkit libhostmark"
user_out=$(in_root /tmp/pkg-config-user/user 2>&1) || fail "the pkg-config program: $user_out"
step "pkg-config program: $user_out"
rm -rf "$root/tmp/pkg-config-user" "$root/debs"

# 6. Purged, the packages leave nothing but what the user's runs made (receipts, logs).
quiet in_root apt-get purge -y -q "${packages[@]}" || fail "apt-get purge"
owned=$(in_root dpkg -S packgate cipherkit hostmark 2>/dev/null || true)
[ -z "$owned" ] || fail "files still owned after purge: $owned"
left=$(cd "$root" && find usr etc var opt lib -xdev \( -iname '*packgate*' -o -iname '*cipherkit*' \
    -o -iname '*hostmark*' \) -print 2>/dev/null || true)
[ -z "$left" ] || fail "left after purge: $(echo "$left" | tr '\n' ' ')"
kept=$(cd "$root" && find tmp root -type f -path '*packgate*' 2>/dev/null | wc -l)
step "purged: nothing left under /usr /etc /var /opt /lib; $kept files of the user's demo runs kept"

cleanup
rm -rf "$root"
step "passed"
