#!/usr/bin/env bash
# Gigabytes of text, made on the fly and never stored, go through the filter in a pipe (and one
# gigabyte back to Unicode); its peak memory must stay under 64 MiB. Memory is measured, not time.
#   stream_memory_test.sh CLI [GIGABYTES]
set -euo pipefail
cli=$1
gigabytes=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A line of Malayalam prose with English in it, repeated.
line='കേരളത്തിലെ പ്രധാന നഗരങ്ങളിൽ ഒന്നാണ് തൃശ്ശൂർ, the cultural capital; ക്ഷേത്രങ്ങളും പള്ളികളും ഇവിടെയുണ്ട്.'
line_bytes=$(printf '%s\n' "$line" | wc -c)
failed=0
for options in "" "--to-unicode"; do
  [[ -n $options ]] && gigabytes=1
  lines=$(((gigabytes << 30) / line_bytes))
  # shellcheck disable=SC2086  # the options are words
  # `yes` ends by SIGPIPE once head has its lines: only the filter's status counts.
  set +o pipefail
  yes "$line" | head -n "$lines" |
    /usr/bin/time -f '%M' -o "$work/peak" "$cli" $options | tail -c 64 > "$work/tail"
  status=${PIPESTATUS[2]}
  set -o pipefail
  if ((status != 0)); then
    echo "${options:-to ML-TT}: the filter ended with $status" >&2
    failed=1
  fi
  peak_kb=$(tail -n 1 "$work/peak")
  echo "${options:-to ML-TT}: ${gigabytes} GB converted with a peak of $((peak_kb / 1024)) MiB"
  if ((peak_kb >= 64 * 1024)); then
    echo "  over 64 MiB" >&2
    failed=1
  fi
  if [[ ! -s $work/tail ]]; then
    echo "  no output" >&2
    failed=1
  fi
done
exit "$failed"
