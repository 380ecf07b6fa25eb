#!/usr/bin/python3
"""Builds the page: one index.html that holds everything it needs, and works from a file.

usage: make_page.py WEB_SOURCES ENGINE_JS DISPLAY_FONT INPUT_FONT ICON_DIR VERSION OUT_DIR

The engine (ENGINE_JS, WebAssembly in one JavaScript file), its API and the worker go into the
page as the worker's source; the fonts go in as WOFF2 made here with fontTools; the codes the
display font draws at U+F000 + code go in as a list. OUT_DIR also gets lipimattam.js, the
engine, the zip container's reader and writer, and their API, for other pages; and what
installs the page as an app when it is served over HTTPS: a web app manifest, the icons (from
ICON_DIR) and a service worker that keeps the files for use offline.
"""

import base64
import io
import json
import os
import shutil
import sys

from fontTools.ttLib import TTFont

DISPLAY_COPY = 0xF000


def read(path):
    with open(path, encoding="utf-8") as source:
        return source.read()


def woff2(path):
    font = TTFont(path, recalcTimestamp=False)
    font.flavor = "woff2"
    data = io.BytesIO()
    font.save(data, reorderTables=True)
    return base64.b64encode(data.getvalue()).decode("ascii")


def font_face(family, path):
    return ('@font-face { font-family: "%s"; src: url(data:font/woff2;base64,%s) format("woff2"); }'
            % (family, woff2(path)))


def display_codes(path):
    cmap = TTFont(path)["cmap"].getBestCmap()
    return sorted(code for code in range(0x21, 0x100) if DISPLAY_COPY + code in cmap)


def inline_script(text):
    return text.replace("</script", "<\\/script")


def manifest():
    return json.dumps({
        "name": "Lipimattam: Malayalam Unicode and ML-TT",
        "short_name": "Lipimattam",
        "description": "Converts Unicode Malayalam into the codes of the ML-TT fonts "
                       "(ML-TTRevathi and its family) and back, text and documents, offline.",
        "start_url": "./index.html",
        "scope": "./",
        "display": "standalone",
        "background_color": "#efefef",
        "theme_color": "#3a6ea5",
        "icons": [{"src": "icon-256.png", "sizes": "256x256", "type": "image/png"},
                  {"src": "icon-512.png", "sizes": "512x512", "type": "image/png",
                   "purpose": "any"}],
    }, indent=2) + "\n"


def main(sources, engine_js, display_font, input_font, icon_dir, version, out_dir):
    engine = "\n".join(read(path) for path in (engine_js, os.path.join(sources, "zip.js"),
                                                 os.path.join(sources, "lipimattam.js")))
    page_script = read(os.path.join(sources, "page.js")).replace(
        "LIPIMATTAM_DISPLAY_CODES", repr(display_codes(display_font)))
    with open(os.path.join(icon_dir, "64x64.png"), "rb") as icon:
        favicon = base64.b64encode(icon.read()).decode("ascii")
    page = read(os.path.join(sources, "index.html")).replace(
        "LIPIMATTAM_VERSION", version).replace("LIPIMATTAM_FAVICON", favicon)
    parts = {
        "/*FONT_FACES*/": font_face("AnjaliOldLipi", input_font) + "\n" +
                          font_face("Lipimattam ML-TT", display_font),
        "/*STYLE*/": read(os.path.join(sources, "page.css")),
        "/*WORKER_SOURCE*/": inline_script(engine + "\n" + read(os.path.join(sources, "worker.js"))),
        "/*PAGE_SCRIPT*/": inline_script(page_script),
    }
    for marker, text in parts.items():
        if page.count(marker) != 1:
            sys.exit("make_page.py: index.html must hold %s once" % marker)
        page = page.replace(marker, text)
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "index.html"), "w", encoding="utf-8") as out:
        out.write(page)
    with open(os.path.join(out_dir, "lipimattam.js"), "w", encoding="utf-8") as out:
        out.write(engine)
    with open(os.path.join(out_dir, "manifest.webmanifest"), "w", encoding="utf-8") as out:
        out.write(manifest())
    with open(os.path.join(out_dir, "sw.js"), "w", encoding="utf-8") as out:
        out.write(read(os.path.join(sources, "sw.js")).replace("LIPIMATTAM_VERSION", version))
    for size in (256, 512):
        shutil.copyfile(os.path.join(icon_dir, "%dx%d.png" % (size, size)),
                        os.path.join(out_dir, "icon-%d.png" % size))


if __name__ == "__main__":
    if len(sys.argv) != 8:
        sys.exit(__doc__)
    main(*sys.argv[1:])
