#!/usr/bin/env bash
# Converts every word of Debian's Malayalam dictionary (hunspell-ml, installed if missing)
# forwards, back to Unicode and forwards again, one word a line, and lists the words whose
# codes change on the second pass.
#   bench/dictionary_roundtrip.sh [CLI]      (default build/release/cli/lipimattam-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/release/cli/lipimattam-cli}
dictionary=/usr/share/hunspell/ml_IN.dic
if [ ! -r "$dictionary" ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq hunspell-ml >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tail -n +2 "$dictionary" | cut -d/ -f1 > "$work/words"  # the first line is the word count
"$cli" "$work/words" -o "$work/forward"
"$cli" --to-unicode "$work/forward" -o "$work/back"
"$cli" "$work/back" -o "$work/again"
paste -d '\t' "$work/words" "$work/forward" "$work/again" "$work/back" |
  awk -F '\t' '$2 != $3 { print "changed: " $1 "  " $2 " -> " $4 " -> " $3; n++ }
               END { printf "%d words, %d change on the second pass\n", NR, n }'
