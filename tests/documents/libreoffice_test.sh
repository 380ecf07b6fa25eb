#!/usr/bin/env bash
# The real client: LibreOffice opens every converted test document. Its text export of each
# equals the plain-text conversion paragraph by paragraph, the English untouched, and the
# documents converted to Unicode render to PDF with the Unicode font they name. The same holds
# for the test documents as LibreOffice writes them (each saved in the other format).
# usage: libreoffice_test.sh LIPIMATTAM_CLI
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/make_documents.py" "$cli" "$work/in"
soffice() {
  command soffice -env:UserInstallation="file://$work/profile" --headless "$@" >/dev/null 2>&1
}
# LibreOffice's own writing of each document, in the other format.
mkdir -p "$work/lo" "$work/out"
soffice --convert-to docx --outdir "$work/lo" "$work"/in/*.odt
soffice --convert-to odt --outdir "$work/lo" "$work"/in/*.docx
for source in in lo; do
  for format in docx odt; do
    "$cli" -q --to-unicode "$work/$source/ml-tt.$format" \
      -o "$work/out/to-unicode-$format-$source.$format"
    "$cli" -q "$work/$source/unicode.$format" -o "$work/out/to-ml-tt-$format-$source.$format"
  done
done
soffice --convert-to "txt:Text (encoded):UTF8" --outdir "$work/txt" "$work"/out/*
soffice --convert-to pdf --outdir "$work/pdf" "$work"/out/to-unicode-*

failed=0
for name in "$work"/out/*; do
  name=$(basename "${name%.*}")
  source_form=$([[ $name == to-unicode* ]] && echo ml-tt || echo unicode)
  exported="$work/txt/$name.txt"
  if [ ! -s "$exported" ]; then
    echo "FAIL: LibreOffice did not open $name" >&2
    failed=1
    continue
  fi
  # The export's paragraphs: its byte order mark, empty lines, the deleted one and the space
  # before a numbered heading left out.
  sed '1s/^\xEF\xBB\xBF//; s/^[[:space:]]*//' "$exported" | grep -v '^$' |
    grep -vxF -f "$work/in/$source_form.deleted.txt" >"$work/actual" || true
  if ! diff -u "$work/in/$source_form.expected.txt" "$work/actual" >&2; then
    echo "FAIL: $name: LibreOffice's text differs from the plain conversion" >&2
    failed=1
  fi
  if [[ $name == to-unicode* ]] && ! pdffonts "$work/pdf/$name.pdf" | grep -q AnjaliOldLipi; then
    echo "FAIL: $name.pdf does not use AnjaliOldLipi:" >&2
    pdffonts "$work/pdf/$name.pdf" >&2
    failed=1
  fi
done
# Headers, footers, footnotes and text boxes: their Malayalam converted in the files' XML.
for name in "$work"/out/*-in.*; do
  source_form=$([[ $(basename "$name") == to-unicode* ]] && echo ml-tt || echo unicode)
  /usr/bin/python3 - "$name" "$work/in/$source_form.stories.txt" <<'PY' || failed=1
import sys, zipfile
from xml.sax.saxutils import escape
with zipfile.ZipFile(sys.argv[1]) as z:
    xml = "".join(z.read(n).decode() for n in z.namelist() if n.endswith(".xml"))
for text in open(sys.argv[2], encoding="utf-8").read().splitlines():
    if escape(text) not in xml:
        print(f"FAIL: {sys.argv[1]} lacks the converted story text {text!r}", file=sys.stderr)
        sys.exit(1)
PY
done
[ "$(ls "$work/out" | wc -l)" -eq 8 ] || { echo "FAIL: not every document converted" >&2; failed=1; }
exit $failed
