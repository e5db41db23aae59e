#!/usr/bin/env bash
# The package installed as a user installs it: into a fresh copy of a bare Debian 12 (ARCHIVE, made by
# scripts/debian-root.sh), with apt-get fetching what it depends on. Then, for a normal user, quillon-cli
# --help, man quillon-cli, a rip of the installed demo disc with the settings in ~/.config/quillon, and the
# window starting. Needs root and the network (the Debian archive).
#   package_root_test.sh DEB ARCHIVE
set -euo pipefail
deb=$(realpath "${1:?package}")
archive=$(realpath "${2:?root archive}")
source "$(dirname "$0")/scratch.sh"
[ "$(id -u)" -eq 0 ] || fail "a root to install into needs root"
root="$work/root"

# The root gets a /dev of its own (a bind of the real one would be emptied by removing the root), /proc
# (the program finds its folder through /proc/self/exe) and the machine's name servers.
unmount() { for mount in "$root/proc" "$root/dev/shm" "$root/dev/pts" "$root/dev"; do umount -l "$mount" 2>/dev/null || true; done; }
trap 'unmount; rm -rf --one-file-system "$work"' EXIT
mkdir "$root"
tar -C "$root" -xf "$archive"
mount -t proc proc "$root/proc"
mount -t tmpfs -o mode=755 dev "$root/dev"
for node in "null 1 3" "zero 1 5" "full 1 7" "random 1 8" "urandom 1 9" "tty 5 0"; do
  set -- $node
  mknod -m 666 "$root/dev/$1" c "$2" "$3"
done
mkdir "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=666 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
ln -s pts/ptmx "$root/dev/ptmx"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
as_user() { in_root runuser -u ann -- env HOME=/home/ann "$@"; }

# man-db comes with every Debian but the minimal root: the user's `man` is not the package's to bring.
in_root apt-get update -qq >"$work/apt" 2>&1 || fail "apt-get update: $(cat "$work/apt")"
in_root apt-get install -y -qq man-db "/tmp/$(basename "$deb")" >"$work/apt" 2>&1 ||
  fail "apt-get install: $(tail -20 "$work/apt")"
in_root useradd -m ann

as_user quillon-cli --help >"$work/help" || fail "quillon-cli --help failed"
grep -q "quillon-cli rip" "$work/help" || fail "quillon-cli --help lists no rip: $(cat "$work/help")"
as_user env MANPAGER=cat man quillon-cli >"$work/man" 2>&1 || fail "man quillon-cli: $(cat "$work/man")"
grep -q "EXIT STATUS" "$work/man" || fail "man quillon-cli shows no manual page: $(head -5 "$work/man")"

demo=/usr/share/quillon/demo/QuillonDemo.cue
as_user quillon-cli toc "$demo" | grep -qx "Last: 4" || fail "the installed demo disc cannot be read"
as_user quillon-cli drives >/dev/null 2>&1 || true  # makes the settings; a system without drives has none to list
[ -f "$root/home/ann/.config/quillon/settings.ini" ] || fail "the user's settings are not in ~/.config/quillon"
# The rip asks no AccurateRip server: its answer is not this test's business.
sed -i -e 's|^server=http://www.accuraterip.com|server=|' -e 's|^server=http://db.cuetools.net|server=|' "$root/home/ann/.config/quillon/settings.ini"
as_user mkdir /home/ann/rips
as_user quillon-cli rip "$demo" --format ogg --out /home/ann/rips >"$work/ripped" 2>"$work/rip.log" ||
  fail "the demo rip failed: $(cat "$work/rip.log")"
[ "$(cut -f2 "$work/ripped" | xargs -n1 basename | tr '\n' ' ')" = "Track-01.ogg Track-02.ogg Track-03.ogg Track-04.ogg " ] ||
  fail "the demo rip printed $(cat "$work/ripped")"

# The window starts (on Qt's screenless platform) and stays up until it is ended; the X11 platform
# plugin finds every library it needs.
status=0
as_user env QT_QPA_PLATFORM=offscreen timeout 5 quillon >"$work/window" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the window did not stay up (status $status): $(cat "$work/window")"
missing=$(in_root sh -c 'ldd /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqxcb.so | grep "not found"' || true)
[ -z "$missing" ] || fail "the X11 platform plugin lacks $missing"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/quillon.svg" ] || fail "the icon was not installed"
echo "package_root_test: $(basename "$deb") installs into a bare Debian 12 and works for a user"
