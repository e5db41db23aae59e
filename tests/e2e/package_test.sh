#!/usr/bin/env bash
# The Debian package made from the build: its control fields, its files, lintian with nothing above info (no hardening tags), packed twice alike, valid desktop
# entry, metainfo and manual pages; then, unpacked, its programs work for a user who cannot write the program
# folder: settings in ~/.config/quillon, a rip of the shipped demo disc.
#   package_test.sh BUILD_FOLDER
set -euo pipefail
build=${1:?build folder}
source "$(dirname "$0")/scratch.sh"

# Packed twice, a second apart, with the files' dates from SOURCE_DATE_EPOCH as scripts/package.sh sets it:
# the same bytes both times.
export SOURCE_DATE_EPOCH=1765195200
cpack --config "$build/CPackConfig.cmake" -B "$work/pack" >/dev/null 2>&1 || fail "cpack failed"
deb=$(ls "$work"/pack/quillon_*_amd64.deb)
sleep 1
cpack --config "$build/CPackConfig.cmake" -B "$work/again" >/dev/null 2>&1 || fail "cpack failed the second time"
cmp -s "$deb" "$work/again/$(basename "$deb")" || fail "two packings of one build differ"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillon ] || fail "the package is not named quillon"
[ "$(field Architecture)" = amd64 ] || fail "the package is not for amd64"
[[ "$deb" == */quillon_$(field Version)_amd64.deb ]] || fail "the file name does not carry the version"
for dependency in libqt6widgets6 libcdio19 libcue2 libebur128-1 libopusenc0 libmp3lame0 libsdl2-2.0-0 libvorbisfile3 qt6-qpa-plugins; do
  field Depends | grep -q "$dependency" || fail "Depends lacks $dependency: $(field Depends)"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents"
for path in usr/bin/quillon usr/bin/quillon-cli usr/lib/quillon/quillon usr/lib/quillon/quillon-cli \
  usr/share/doc/quillon/Quillon.html usr/share/quillon/settings.ini usr/share/quillon/demo/QuillonDemo.cue \
  usr/share/applications/org.quillon_ripper.Quillon.desktop usr/share/icons/hicolor/64x64/apps/quillon.png \
  usr/share/metainfo/org.quillon_ripper.Quillon.metainfo.xml usr/share/man/man1/quillon.1.gz \
  usr/share/man/man1/quillon-cli.1.gz usr/share/doc/quillon/copyright usr/share/bash-completion/completions/quillon-cli; do
  grep -qx "./$path" "$work/contents" || fail "$path is not in the package"
done
for size in 16x16 32x32 48x48 128x128 256x256; do
  grep -qx "./usr/share/icons/hicolor/$size/apps/quillon.png" "$work/contents" || fail "no $size icon"
done
grep -qx "./usr/share/icons/hicolor/scalable/apps/quillon.svg" "$work/contents" || fail "no scalable icon"
# Only the programs are architecture-dependent: everything else lives under /usr/share.
others=$(grep '^\./usr/lib/quillon/.' "$work/contents" | grep -v -x -e './usr/lib/quillon/quillon' -e './usr/lib/quillon/quillon-cli' || true)
[ -z "$others" ] || fail "architecture-independent files under /usr/lib: $others"

# Nothing above "info", and not even that about hardening or sections Debian strips.
lintian -I --fail-on warning "$deb" >"$work/lintian" 2>/dev/null || fail "lintian: $(cat "$work/lintian")"
! grep -E 'hardening-|binary-has-unneeded-section' "$work/lintian" || fail "lintian: $(cat "$work/lintian")"
for program in quillon quillon-cli; do
  dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/lib/quillon/$program" >"$work/$program"
  readelf -d "$work/$program" | grep -q 'FLAGS.*BIND_NOW' || fail "$program is not bound at start (no -z now)"
  readelf -h "$work/$program" | grep -q 'DYN' || fail "$program is not position-independent"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
chmod 755 "$work"
desktop="$root/usr/share/applications/org.quillon_ripper.Quillon.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx "Exec=/usr/lib/quillon/quillon %U" "$desktop" ||
  fail "the desktop entry does not start /usr/lib/quillon/quillon"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quillon_ripper.Quillon.metainfo.xml" >"$work/appstream" ||
  fail "the metainfo is not valid: $(cat "$work/appstream")"
for page in quillon quillon-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# A user who cannot write the program folder, as after installing the package.
[ "$(id -u)" -eq 0 ] || { echo "package_test: the package is sound (not root: the user's run was skipped)"; exit 0; }
home="$work/home"
mkdir -p "$home"
chown nobody "$home"
as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin "$@"; }
cli="$root/usr/bin/quillon-cli"
demo="$root/usr/share/quillon/demo/QuillonDemo.cue"
as_user mkdir "$home/rips"
as_user "$cli" checksums "$demo" >/dev/null || fail "the demo's checksums failed"
cmp -s "$home/.config/quillon/settings.ini" "$root/usr/share/quillon/settings.ini" ||
  fail "the user's settings were not made from the shipped ones"
# The rip is verified against no server: the tests reach no network.
sed -i -e 's|^server=http://www.accuraterip.com|server=|' -e 's|^server=http://db.cuetools.net|server=|' "$home/.config/quillon/settings.ini"
as_user "$cli" rip "$demo" --format wav --out "$home/rips" --tracks 2 >"$work/ripped" || fail "the demo rip failed"
[ "$(cut -f2 "$work/ripped")" = "$home/rips/Track-02.wav" ] || fail "the demo rip printed $(cat "$work/ripped")"
[ -f "$home/rips/Track-02.wav" ] || fail "the demo rip left no file"
[ -z "$(find "$root/usr/lib/quillon" -newer "$deb")" ] || fail "the program wrote into its folder"

# Installed by apt-get into a bare Debian 12 when QUILLON_DEBIAN_ROOT names the archive of one (made here on
# the first run): minutes and downloads each time, so only on request, never on a CI machine's fresh system.
if [ -n "${QUILLON_DEBIAN_ROOT:-}" ]; then
  scripts=$(dirname "$0")/../../scripts
  [ -f "$QUILLON_DEBIAN_ROOT" ] || "$scripts/debian-root.sh" "$QUILLON_DEBIAN_ROOT" >/dev/null
  "$(dirname "$0")/package_root_test.sh" "$deb" "$QUILLON_DEBIAN_ROOT"
fi
echo "package_test: $(basename "$deb") is sound and works for a user"
