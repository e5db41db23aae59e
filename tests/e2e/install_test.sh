#!/usr/bin/env bash
# cmake --install into a fresh prefix gives a program folder that works on its own and a desktop entry
# that starts it; installing again keeps the user's settings.
#   install_test.sh BUILD_FOLDER
set -euo pipefail
build=${1:?build folder}
source "$(dirname "$0")/scratch.sh"
prefix=$work

cmake --install "$build" --prefix "$prefix" >/dev/null
folder=$(dirname "$(find "$prefix" -name quillon -type f -perm -u+x | head -1)")
[ -d "$folder" ] || fail "no program was installed"
for file in quillon quillon-cli Quillon.html settings.ini demo/QuillonDemo.cue demo/QuillonDemo.bin; do
  [ -f "$folder/$file" ] || fail "$file is missing from the program folder"
done
desktop="$prefix/share/applications/quillon.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Exec=$folder/quillon %U" "$desktop" || fail "the desktop entry does not start the installed program"
[ -f "$prefix/share/icons/hicolor/64x64/apps/quillon.png" ] || fail "no icon"

# The command in PREFIX/bin finds its program folder through the link and reads the installed demo disc.
"$prefix/bin/quillon-cli" toc "$folder/demo/QuillonDemo.cue" | grep -q "^Last: 4$" || fail "the installed demo disc cannot be read"

printf '[CD Images]\nmine=/discs/mine.cue\n' >"$folder/settings.ini"
cmake --install "$build" --prefix "$prefix" >/dev/null
grep -q "mine=/discs/mine.cue" "$folder/settings.ini" || fail "installing again replaced the user's settings"
echo "install_test: the program folder, desktop entry and icon are in place"
