#!/usr/bin/env bash
# The README's before/after picture of a document: the test documents' Word file in the ML-TT
# font, as LibreOffice shows it where that font is missing (the codes as Latin letters), and
# the same file converted to Unicode; the top of each first page, rendered by LibreOffice.
#   scripts/document-screenshot.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
/usr/bin/python3 tests/documents/make_documents.py "$build/cli/lipimattam-cli" "$work/in"
cp "$work/in/ml-tt.docx" "$work/before.docx"
"$build/cli/lipimattam-cli" -q --to-unicode "$work/before.docx" -o "$work/after.docx"
soffice -env:UserInstallation="file://$work/profile" \
  --headless --convert-to pdf --outdir "$work" "$work/before.docx" "$work/after.docx" >/dev/null 2>&1
for name in before after; do
  # The top of the first page: header, heading, text, table.
  pdftoppm -png -r 80 -f 1 -l 1 -x 40 -y 20 -W 560 -H 330 -singlefile "$work/$name.pdf" \
    "$out/document-$name"
done
echo "$out/document-before.png $out/document-after.png"
