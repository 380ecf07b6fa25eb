#!/usr/bin/env bash
# The real client: LibreOffice opens every converted test document. Its text export of each
# equals the plain-text conversion paragraph by paragraph, the English untouched, and the
# documents converted to Unicode render to PDF with the Unicode font they name.
# usage: libreoffice_test.sh LIPIMATTAM_CLI
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/make_documents.py" "$cli" "$work/in"
mkdir -p "$work/out"
for format in docx odt; do
  "$cli" -q --to-unicode "$work/in/ml-tt.$format" -o "$work/out/to-unicode-$format.$format"
  "$cli" -q "$work/in/unicode.$format" -o "$work/out/to-ml-tt-$format.$format"
done
soffice() {
  command soffice -env:UserInstallation="file://$work/profile" --headless "$@" >/dev/null 2>&1
}
soffice --convert-to "txt:Text (encoded):UTF8" --outdir "$work/txt" "$work"/out/*
soffice --convert-to pdf --outdir "$work/pdf" "$work"/out/to-unicode-*

failed=0
for format in docx odt; do
  for direction in to-unicode to-ml-tt; do
    source_form=$([ "$direction" = to-unicode ] && echo ml-tt || echo unicode)
    exported="$work/txt/$direction-$format.txt"
    if [ ! -s "$exported" ]; then
      echo "FAIL: LibreOffice did not open $direction-$format.$format" >&2
      failed=1
      continue
    fi
    # The export's paragraphs, its byte order mark, empty lines and the deleted one left out.
    sed '1s/^\xEF\xBB\xBF//' "$exported" | grep -v '^$' |
      grep -vxF -f "$work/in/$source_form.deleted.txt" >"$work/actual" || true
    if ! diff -u "$work/in/$source_form.expected.txt" "$work/actual" >&2; then
      echo "FAIL: $direction-$format: LibreOffice's text differs from the plain conversion" >&2
      failed=1
    fi
  done
  fonts=$(pdffonts "$work/pdf/to-unicode-$format.pdf")
  if ! grep -q AnjaliOldLipi <<<"$fonts"; then
    echo "FAIL: to-unicode-$format.pdf does not use AnjaliOldLipi:" >&2
    echo "$fonts" >&2
    failed=1
  fi
done
exit $failed
