#!/usr/bin/env bash
# The man page of the filter: groff finds nothing to warn of, and it names every option that
# --help gives and every exit status; the bash completion offers every option too.
#   man_page_test.sh CLI MAN_PAGE BASH_COMPLETION
set -euo pipefail
cli=$1
page=$2
completion=$3
warnings=$(groff -ww -z -man "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff: $warnings"; exit 1; }
text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page")
missing=0
offered=$(bash -c 'source "$1"; COMP_WORDS=(lipimattam-cli -); COMP_CWORD=1
                    _lipimattam_cli; printf "%s\n" "${COMPREPLY[@]}"' bash "$completion")
for option in $("$cli" --help | grep -oE '(^|[ ,])--?[a-zA-Z][a-zA-Z-]*' | tr -d ' ,' | sort -u); do
  grep -qF -- "$option" <<< "$text" || { echo "the man page lacks $option"; missing=1; }
  grep -qxF -- "$option" <<< "$offered" || { echo "the completion lacks $option"; missing=1; }
done
for status in 0 64 65 66 70 71 73 74; do
  grep -qx "\.B $status" "$page" || { echo "the man page lacks exit status $status"; missing=1; }
done
exit $missing
