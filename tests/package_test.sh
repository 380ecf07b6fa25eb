#!/usr/bin/env bash
# Builds the Debian packages from a build folder, checks what they hold, has lintian, the
# desktop entry and the AppStream data checked, and runs the filter from the unpacked package.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# lintian and the tools it runs leave files in the temporary folder: this one goes with $work.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
(cd "$build" && cpack -G DEB -B "$work/packages" > "$work/cpack.log") ||
  { cat "$work/cpack.log"; exit 1; }
architecture=$(dpkg --print-architecture)
runtime=$work/packages/lipimattam_${version}_${architecture}.deb
development=$work/packages/liblipimattam-dev_${version}_${architecture}.deb

holds() {  # package path...: each path is in the package
  local package=$1
  shift
  dpkg-deb -c "$package" | awk '{ print $6 }' > "$work/contents"
  for path in "$@"; do
    grep -qx "./$path" "$work/contents" || { echo "$(basename "$package") lacks $path"; exit 1; }
  done
}
holds "$runtime" usr/bin/lipimattam usr/bin/lipimattam-cli \
  usr/share/man/man1/lipimattam.1.gz usr/share/man/man1/lipimattam-cli.1.gz \
  usr/share/bash-completion/completions/lipimattam-cli \
  usr/share/applications/org.lipimattam.Lipimattam.desktop \
  usr/share/metainfo/org.lipimattam.Lipimattam.metainfo.xml \
  usr/share/icons/hicolor/32x32/apps/lipimattam.png \
  usr/share/icons/hicolor/scalable/apps/lipimattam.svg \
  usr/share/lipimattam/fonts/LipimattamML-TT.ttf usr/share/lipimattam/fonts/OFL.txt \
  usr/share/doc/lipimattam/copyright usr/share/doc/lipimattam/changelog.gz
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
holds "$development" usr/include/lipimattam/convert.h usr/include/lipimattam/to_unicode.h \
  "usr/lib/$multiarch/liblipimattam.a" "usr/lib/$multiarch/pkgconfig/lipimattam.pc" \
  "usr/lib/$multiarch/cmake/Lipimattam/LipimattamConfig.cmake" \
  usr/share/doc/liblipimattam-dev/copyright
if dpkg-deb -c "$development" | grep -q "usr/include/lipimattam/output_text.h"; then
  echo "liblipimattam-dev holds an internal header"
  exit 1
fi
dpkg-deb -f "$runtime" Depends | grep -q "libqt6widgets6" ||
  { echo "lipimattam does not depend on Qt's widgets: $(dpkg-deb -f "$runtime" Depends)"; exit 1; }

summary() { dpkg-deb -f "$1" Description | head -n 1; }
[ "$(summary "$runtime")" = "convert Unicode Malayalam text for the ML-TTRevathi font" ] ||
  { echo "lipimattam's summary: $(summary "$runtime")"; exit 1; }
[ "$(summary "$development")" = \
  "Unicode Malayalam to ML-TTRevathi conversion (development files)" ] ||
  { echo "liblipimattam-dev's summary: $(summary "$development")"; exit 1; }
dpkg-deb -f "$runtime" Recommends | grep -qw fonts-smc-anjalioldlipi ||
  { echo "lipimattam does not recommend the input box's font"; exit 1; }

lintian --fail-on error,warning "$runtime" "$development" 2> /dev/null
# Hardened as Debian's own packages: lintian's hardening tags are information, shown with -I.
hardening=$(lintian -I --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro,hardening-no-pie \
  "$runtime" 2> /dev/null || true)
[ -z "$hardening" ] || { echo "not hardened: $hardening"; exit 1; }

dpkg -x "$runtime" "$work/root"
"$work/root/usr/bin/lipimattam-cli" --version | grep -qx "lipimattam-cli $version" ||
  { echo "the unpacked filter says $("$work/root/usr/bin/lipimattam-cli" --version)"; exit 1; }
converted=$(printf '\xe0\xb4\x95\xe0\xb5\x8d\xe0\xb4\xb0\xe0\xb5\x88' | "$work/root/usr/bin/lipimattam-cli")
[ "$converted" = 'ss{I' ] || { echo "the unpacked filter converted to $converted"; exit 1; }
# Documents go through a module that only a document loads: the unpacked filter finds it where
# the package put it, and the module brings libzip into the package's dependencies.
holds "$runtime" "usr/lib/$multiarch/lipimattam/lipimattam-documents.so"
dpkg-deb -f "$runtime" Depends | grep -q "libzip4" ||
  { echo "lipimattam does not depend on libzip: $(dpkg-deb -f "$runtime" Depends)"; exit 1; }
if ldd "$work/root/usr/bin/lipimattam-cli" | grep -q libzip; then
  echo "the filter loads libzip at start"
  exit 1
fi
/usr/bin/python3 "$(dirname "$0")/documents/make_documents.py" \
  "$work/root/usr/bin/lipimattam-cli" "$work/documents"
"$work/root/usr/bin/lipimattam-cli" -q --to-unicode "$work/documents/ml-tt.docx" \
  -o "$work/documents/converted.docx"
/usr/bin/python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).read("word/document.xml").decode())' \
  "$work/documents/converted.docx" | grep -q AnjaliOldLipi ||
  { echo "the unpacked filter did not convert a document"; exit 1; }
desktop-file-validate "$work/root/usr/share/applications/org.lipimattam.Lipimattam.desktop"
appstreamcli validate --no-net --pedantic \
  "$work/root/usr/share/metainfo/org.lipimattam.Lipimattam.metainfo.xml" > "$work/appstream.log" ||
  { cat "$work/appstream.log"; exit 1; }
# The AppStream data names the release a build between releases comes after.
grep -q "version=\"${version%%+*}\"" \
  "$work/root/usr/share/metainfo/org.lipimattam.Lipimattam.metainfo.xml"
echo "both packages built, hold what they must, pass lintian; the unpacked filter converts text and documents"
