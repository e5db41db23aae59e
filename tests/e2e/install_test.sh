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
for file in bin/quillon bin/quillon-cli lib/quillon/quillon lib/quillon/quillon-cli share/doc/quillon/Quillon.html \
  share/quillon/settings.ini share/quillon/demo/QuillonDemo.cue share/quillon/demo/QuillonDemo.bin; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
desktop="$prefix/share/applications/org.quillon_ripper.Quillon.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Exec=$folder/quillon %U" "$desktop" || fail "the desktop entry does not start the installed program"
[ -f "$prefix/share/icons/hicolor/64x64/apps/quillon.png" ] || fail "no icon"

# The command in PREFIX/bin finds its program folder through the link and reads the installed demo disc.
"$prefix/bin/quillon-cli" toc "$prefix/share/quillon/demo/QuillonDemo.cue" | grep -q "^Last: 4$" ||
  fail "the installed demo disc cannot be read"
# The first start copies the default settings into the program folder the user owns; a relative image path
# there names the demo disc in the data folder.
"$prefix/bin/quillon-cli" drives >/dev/null || true
cmp -s "$folder/settings.ini" "$prefix/share/quillon/settings.ini" || fail "the first start made no settings.ini"
printf '[CD Images]\ndemo=demo/QuillonDemo.cue\n' >"$folder/settings.ini"
"$prefix/bin/quillon-cli" drives | grep -q "QuillonDemo" || fail "the relative demo image was not listed"

# bash completes the commands and a command's options.
completion="$prefix/share/bash-completion/completions/quillon-cli"
complete_words() { bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillon_cli; echo "${COMPREPLY[*]}"' _ "$completion" "$@"; }
[ "$(complete_words quillon-cli ri)" = "rip" ] || fail "bash does not complete the command rip"
[ "$(complete_words quillon-cli rip x --form)" = "--format" ] || fail "bash does not complete rip's --format"
[ "$(complete_words quillon-cli rip x --format f)" = "flac" ] || fail "bash does not complete --format's values"

printf '[CD Images]\nmine=/discs/mine.cue\n' >"$folder/settings.ini"
cmake --install "$build" --prefix "$prefix" >/dev/null
grep -q "mine=/discs/mine.cue" "$folder/settings.ini" || fail "installing again replaced the user's settings"
echo "install_test: the program folder, desktop entry and icon are in place"
