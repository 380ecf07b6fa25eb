#!/usr/bin/python3
"""Builds the display font "Lipimattam ML-TT" from a free Malayalam font.

usage: make_font.py SOURCE_FONT FONT_DATA_JSON SOURCE_COPYRIGHT OUT_FONT OUT_LICENCE

FONT_DATA_JSON comes from lipimattam-font-data: what each code of the ML-TT encoding means,
the source font's glyphs for it, and test words with the glyphs the source font gives them.
The new font maps each code with a meaning twice, at its own value (U+0021..U+00FF) and at
U+F000 + code, to the source's glyph for it; a code drawn with several glyphs becomes them
through a multiple substitution. Presentation ligatures come from the words: where the
source draws a word's sequence of pieces as one glyph, the pieces ligate. The virama takes a
joiner after it into itself. Positioning is the source's own, applied for every script. The
result is the same bytes for the same inputs.
"""

import json
import sys

from fontTools import subset
from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._g_l_y_f import Glyph

FAMILY = "Lipimattam ML-TT"
POSTSCRIPT_NAME = "LipimattamML-TT-Regular"
VERSION = "Version 1.000"
DISPLAY_COPY = 0xF000  # the codes again, in the Private Use Area, for showing text
LONGEST_LIGATURE = 4


def read_data(path):
    with open(path, encoding="utf-8") as data_file:
        return json.load(data_file)


def code_glyphs(font, data):
    """Each code's glyph, and the glyphs that a placeholder for a code of several stands for."""
    glyph_for = {}
    expansions = {}
    for entry in data["codes"]:
        names = [glyph["name"] for glyph in entry["glyphs"]]
        if not names:
            continue
        if len(names) == 1:
            glyph_for[entry["code"]] = names[0]
            continue
        placeholder = "lipimattam.%02X" % entry["code"]
        font["glyf"][placeholder] = Glyph()
        font["hmtx"][placeholder] = (0, 0)
        font.setGlyphOrder(font.getGlyphOrder() + [placeholder])
        glyph_for[entry["code"]] = placeholder
        expansions[placeholder] = names
    return glyph_for, expansions


def apply_ligatures(rules, pieces):
    """What one ligature lookup makes of the pieces: longest match first, left to right.
    Returns the glyphs and, for each, the range of pieces it stands for."""
    out = []
    at = 0
    while at < len(pieces):
        for length in range(min(LONGEST_LIGATURE, len(pieces) - at), 1, -1):
            ligature = rules.get(tuple(pieces[at:at + length]))
            if ligature is not None:
                out.append((ligature, at, at + length))
                at += length
                break
        else:
            out.append((pieces[at], at, at + 1))
            at += 1
    return out


def find_ligatures(data, glyph_for, expansions, virama):
    """Ligatures that make the words' pieces into the glyphs the source font gives the words."""
    rules = {}
    for joiner in data["joiners_after_virama"]:
        rules[(virama, glyph_for[joiner])] = virama  # the joiner draws nothing
    words = sorted(data["words"], key=lambda word: len(word["codes"]))
    for word in words:
        codes = [ord(unit) for unit in word["codes"]]
        if any(code not in glyph_for for code in codes):
            continue
        pieces = []
        for code in codes:
            pieces.extend(expansions.get(glyph_for[code], [glyph_for[code]]))
        target = [glyph["name"] for glyph in word["glyphs"]]
        made = apply_ligatures(rules, pieces)
        glyphs = [glyph for glyph, _, _ in made]
        if glyphs == target:
            continue
        start = 0
        while start < min(len(glyphs), len(target)) and glyphs[start] == target[start]:
            start += 1
        end = 0
        while (end < min(len(glyphs), len(target)) - start and
               glyphs[-1 - end] == target[-1 - end]):
            end += 1
        differing = target[start:len(target) - end]
        if len(differing) != 1 or start >= len(made) - end:
            continue
        first_piece = made[start][1]
        last_piece = made[len(made) - end - 1][2]
        sequence = tuple(pieces[first_piece:last_piece])
        if 2 <= len(sequence) <= LONGEST_LIGATURE and virama not in sequence:
            rules[sequence] = differing[0]
    return rules


def feature_code(expansions, rules):
    lines = ["languagesystem DFLT dflt;", "languagesystem latn dflt;", ""]
    if expansions:
        lines.append("feature ccmp {")
        for placeholder, names in expansions.items():
            lines.append("  sub %s by %s;" % (placeholder, " ".join(names)))
        lines.append("} ccmp;")
    lines.append("feature liga {")
    for sequence, ligature in sorted(rules.items(), key=lambda rule: (-len(rule[0]), rule)):
        lines.append("  sub %s by %s;" % (" ".join(sequence), ligature))
    lines.append("} liga;")
    return "\n".join(lines) + "\n"


def position_for_every_script(font):
    """The source's positioning applies to Malayalam only; here it applies to every script,
    and the signs that were marks are spacing pieces, which no shaper zeroes."""
    gpos = font["GPOS"].table
    features = list(range(len(gpos.FeatureList.FeatureRecord)))
    for record in gpos.ScriptList.ScriptRecord:
        if record.Script.DefaultLangSys is not None:
            record.Script.DefaultLangSys.FeatureIndex = features
            record.Script.DefaultLangSys.FeatureCount = len(features)
        record.Script.LangSysRecord = []
        record.Script.LangSysCount = 0
    classes = font["GDEF"].table.GlyphClassDef.classDefs
    for name, glyph_class in list(classes.items()):
        if glyph_class == 3:
            classes[name] = 1


def set_cmap(font, glyph_for):
    mapping = {0x20: "space"}
    for code, name in glyph_for.items():
        mapping[code] = name
        mapping[DISPLAY_COPY + code] = name
    for table in font["cmap"].tables:
        table.cmap = dict(mapping) if table.isUnicode() else {}
    font["cmap"].tables = [table for table in font["cmap"].tables if table.isUnicode()]
    return mapping


def keep_only_what_is_used(font, mapping, expansions, rules):
    keep = {".notdef", "space"} | set(mapping.values()) | set(rules.values())
    for names in expansions.values():
        keep.update(names)
    options = subset.Options()
    options.layout_features = ["*"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.glyph_names = True
    options.notdef_outline = True
    options.drop_tables += ["DSIG"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(glyphs=sorted(keep), unicodes=sorted(mapping))
    subsetter.subset(font)


def set_names(font, source_copyright):
    description = ("Draws the 8-bit ML-TT encoding of Malayalam (the codes of ML-TTRevathi) "
                   "at U+0021-U+00FF and again at U+F021-U+F0FF. Generated by Lipimattam from "
                   "AnjaliOldLipi; a modified version, under the same licence.")
    names = {
        0: source_copyright,
        1: FAMILY,
        2: "Regular",
        3: "%s Regular; %s" % (FAMILY, VERSION),
        4: FAMILY + " Regular",
        5: VERSION,
        6: POSTSCRIPT_NAME,
        10: description,
    }
    table = font["name"]
    licence = {record.nameID: record.toUnicode() for record in table.names
               if record.nameID in (13, 14) and record.platformID == 3}
    table.names = []
    for name_id, text in sorted({**names, **licence}.items()):
        table.setName(text, name_id, 3, 1, 0x409)


def licence_text(copyright_path):
    """The OFL as the source font's Debian copyright file gives it."""
    lines = []
    inside = False
    with open(copyright_path, encoding="utf-8") as copyright_file:
        for line in copyright_file:
            line = line.rstrip("\n")
            if line.startswith("License: OFL-1.1"):
                inside = True  # the text follows in the paragraph that gives it
                continue
            if inside:
                if not line.startswith(" "):
                    if lines:
                        break
                    inside = False
                    continue
                lines.append("" if line.strip() == "." else line[1:])
    if not lines:
        sys.exit("make_font.py: no OFL-1.1 text in %s" % copyright_path)
    text = "\n".join(lines).strip("\n") + "\n"
    title = "SIL OPEN FONT LICENSE\n\nVersion 1.1 - 26 February 2007\n\n"
    return text if text.startswith("SIL OPEN FONT LICENSE") else title + text


def main(source_path, data_path, copyright_path, out_font, out_licence):
    data = read_data(data_path)
    font = TTFont(source_path, recalcTimestamp=False)
    source_copyright = font["name"].getDebugName(0)
    glyph_for, expansions = code_glyphs(font, data)
    virama = glyph_for[data["virama"]]
    rules = find_ligatures(data, glyph_for, expansions, virama)
    mapping = set_cmap(font, glyph_for)
    position_for_every_script(font)
    addOpenTypeFeaturesFromString(font, feature_code(expansions, rules), tables=["GSUB"])
    keep_only_what_is_used(font, mapping, expansions, rules)
    set_names(font, source_copyright)
    font["OS/2"].recalcUnicodeRanges(font)
    font.save(out_font, reorderTables=True)
    with open(out_licence, "w", encoding="utf-8") as licence_file:
        licence_file.write("The font %s is a modified version of AnjaliOldLipi.\n%s\n\n%s" % (
            FAMILY, source_copyright, licence_text(copyright_path)))
    print("make_font.py: %d codes, %d ligatures, %d codes of several glyphs" % (
        len(glyph_for), len(rules), len(expansions)))


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    main(*sys.argv[1:])
