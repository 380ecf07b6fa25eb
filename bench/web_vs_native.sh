#!/usr/bin/env bash
# The page's WebAssembly engine (under node) against the native engine, on 1 MB of generated
# Malayalam, both directions: M units (or codes) a second, and the ratio.
#   bench/web_vs_native.sh   (after: make bench, which builds the page too)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/lipimattam-make-text" 1 > "$work/text.txt"
web=$(node bench/web_engine.js "$build/web/page/lipimattam.js" "$work/text.txt")
native=$("$build/bench/convert_bench" --benchmark_filter='(ConvertWithoutHook|ConvertBackToUnicode)/1048576$' \
  --benchmark_format=json 2>/dev/null)
/usr/bin/python3 - "$web" "$native" <<'PY'
import json, sys
web = json.loads(sys.argv[1])
native = {b["name"].split("/")[0]: b["items_per_second"] / 1e6
          for b in json.loads(sys.argv[2])["benchmarks"]}
for label, key, name in (("forward", "Forward", "ConvertWithoutHook"),
                        ("reverse", "Reverse", "ConvertBackToUnicode")):
    n = native[name]
    e = web["engine" + key]
    w = web[label]
    print("%s: native %.0f M/s; WebAssembly engine %.0f M/s (%.2f of native), through the "
          "page's API with the copying in and out %.0f M/s (%.2f)" % (label, n, e, e / n, w, w / n))
PY
