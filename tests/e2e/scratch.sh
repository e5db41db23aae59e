# What the shell tests share, sourced after set -euo pipefail: a scratch folder $work removed at the end, and
# fail, which says what went wrong under the test's name.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "$(basename "$0" .sh): $*" >&2
  exit 1
}
