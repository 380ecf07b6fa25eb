#!/usr/bin/python3
"""Writes test documents, Word (DOCX) and OpenDocument (ODT), each in two forms: Malayalam set
in the ML-TT font as glyph codes, and Malayalam in Unicode. Both hold the same story: styles
with the font, runs of differing formats that split syllables, English between, a table, a
header and a footer, a footnote, a text box, a tracked deletion and a symbol. Beside them go
the paragraphs of the body as LibreOffice's text export should give them after conversion.

usage: make_documents.py LIPIMATTAM_CLI OUTDIR"""
import subprocess
import sys
import zipfile
from pathlib import Path
from xml.sax.saxutils import escape, quoteattr

CLI = sys.argv[1]
OUT = Path(sys.argv[2])
ML_TT = "ML-TTRevathi"

# A paragraph: its place (body, table, header, footer, note, box, deleted) and its style, and
# runs: ("ml", Unicode text, split points, formats) or ("en", text, format). Split points cut
# the Malayalam into runs: in the Unicode form at those characters, in the ML-TT form at those
# glyph codes. A format: b (bold), i (italic), sz (points).
STORY = [
    ("body", "Heading1", [("ml", "മലയാളം ലിപി", [], [{}])]),
    ("body", "Normal", [("ml", "കേരളം", [2], [{"b": 1}, {"i": 1}]), ("en", " is Kerala, ", {}),
                        ("ml", "ക്ഷേത്രം ", [1, 3], [{}, {"sz": 14}, {}]),
                        ("en", "temple.", {"b": 1})]),
    ("body", "Normal", [("en", "English only: city, 2024 (untouched).", {})]),
    ("body", "Normal", [("ml", "പുസ്തകങ്ങൾ, വായന!", [4], [{"sz": 16}, {"b": 1, "sz": 16}])]),
    ("table", "Normal", [("ml", "പട്ടിക", [], [{}]), ("en", " table", {})]),
    ("table", "Normal", [("ml", "രണ്ടാം കള്ളി", [], [{"i": 1}])]),
    ("deleted", "Normal", [("ml", "മായ്ച്ചത്", [], [{}])]),
    ("header", "Normal", [("ml", "തലക്കെട്ട്", [], [{}])]),
    ("footer", "Normal", [("en", "Page ", {}), ("ml", "താൾ", [], [{}])]),
    ("note", "Normal", [("ml", "അടിക്കുറിപ്പ്", [], [{}])]),
    ("box", "Normal", [("ml", "പെട്ടി", [], [{}])]),
]


def codes(text):
    return subprocess.run([CLI], input=text.encode(), capture_output=True, check=True).stdout.decode()


def to_unicode(glyphs):
    return subprocess.run([CLI, "--to-unicode"], input=glyphs.encode(), capture_output=True,
                          check=True).stdout.decode()


def pieces(run, form):
    """The run's pieces in a form: (text, format, malayalam)."""
    if run[0] == "en":
        return [(run[1], run[2], False)]
    _, text, splits, formats = run
    if form == "ml-tt":
        text = codes(text)
    bounds = [0] + splits + [len(text)]
    return [(text[a:b], formats[k], True) for k, (a, b) in enumerate(zip(bounds, bounds[1:]))]


def expected(runs, form):
    """The paragraph as converted out of `form`: Malayalam converted, English as it was."""
    line = ""
    for run in runs:
        if run[0] == "en":
            line += run[1]
        elif form == "ml-tt":
            line += to_unicode(codes(run[1]))
        else:
            line += codes(run[1])
    return line


# --- Word ---
W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS = (f'xmlns:w="{W}" xmlns:r="{R}" '
      'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
      'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
      'xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" '
      'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"')


def docx_run(text, fmt, malayalam, form, deleted=False):
    props = ""
    if malayalam and form == "ml-tt":
        props += f'<w:rFonts w:ascii="{ML_TT}" w:hAnsi="{ML_TT}"/>'
    elif not malayalam:
        props += '<w:rFonts w:ascii="Liberation Serif" w:hAnsi="Liberation Serif"/>'
    if fmt.get("b"):
        props += "<w:b/>" + ("" if form == "ml-tt" else "<w:bCs/>")
    if fmt.get("i"):
        props += "<w:i/>" + ("" if form == "ml-tt" else "<w:iCs/>")
    if fmt.get("sz"):
        props += f'<w:sz w:val="{fmt["sz"] * 2}"/>'
        props += "" if form == "ml-tt" else f'<w:szCs w:val="{fmt["sz"] * 2}"/>'
    tag = "w:delText" if deleted else "w:t"
    return (f"<w:r>{'<w:rPr>' + props + '</w:rPr>' if props else ''}"
            f'<{tag} xml:space="preserve">{escape(text)}</{tag}></w:r>')


def docx_paragraph(place, style, runs, form, inner=""):
    body = ""
    for run in runs:
        for text, fmt, malayalam in pieces(run, form):
            body += docx_run(text, fmt, malayalam, form, place == "deleted")
    if place == "deleted":
        body = f'<w:del w:id="9" w:author="T" w:date="2020-01-01T00:00:00Z">{body}</w:del>'
    # The heading's ML-TT font comes from its style; so does the body text's in the table.
    style = "MlTable" if place == "table" and form == "ml-tt" else style
    if place == "table" and form == "ml-tt":
        body = body.replace(f'<w:rFonts w:ascii="{ML_TT}" w:hAnsi="{ML_TT}"/>', "")
    if style == "Heading1" and form == "ml-tt":
        body = body.replace(f'<w:rFonts w:ascii="{ML_TT}" w:hAnsi="{ML_TT}"/>', "")
    return f'<w:p><w:pPr><w:pStyle w:val="{style}"/></w:pPr>{body}{inner}</w:p>'


def docx_text_box(paragraph):
    return ('<w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wp:anchor '
            'distT="0" distB="0" distL="0" distR="0" simplePos="0" relativeHeight="1" '
            'behindDoc="0" locked="0" layoutInCell="1" allowOverlap="1"><wp:simplePos x="0" '
            'y="0"/><wp:positionH relativeFrom="column"><wp:posOffset>0</wp:posOffset>'
            '</wp:positionH><wp:positionV relativeFrom="paragraph"><wp:posOffset>0'
            '</wp:posOffset></wp:positionV><wp:extent cx="1828800" cy="457200"/><wp:wrapNone/>'
            '<wp:docPr id="1" name="Box"/><a:graphic><a:graphicData uri="http://schemas.'
            'microsoft.com/office/word/2010/wordprocessingShape"><wps:wsp><wps:spPr><a:xfrm>'
            '<a:off x="0" y="0"/><a:ext cx="1828800" cy="457200"/></a:xfrm><a:prstGeom '
            'prst="rect"><a:avLst/></a:prstGeom></wps:spPr><wps:txbx><w:txbxContent>'
            f'{paragraph}</w:txbxContent></wps:txbx><wps:bodyPr/></wps:wsp></a:graphicData>'
            '</a:graphic></wp:anchor></w:drawing></mc:Choice><mc:Fallback/></mc:AlternateContent>'
            '</w:r>')


def write_docx(path, form):
    paragraphs = {place: [] for place in ("body", "table", "header", "footer", "note", "box")}
    for place, style, runs in STORY:
        paragraphs["body" if place == "deleted" else place].append(
            docx_paragraph(place, style, runs, form))
    note_ref = ('<w:r><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
                '<w:footnoteReference w:id="1"/></w:r>')
    body = paragraphs["body"][:2] + [paragraphs["body"][2].replace("</w:p>", note_ref + "</w:p>")]
    body += paragraphs["body"][3:]
    body.insert(2, "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>"
                   "<w:gridCol w:w=\"4000\"/></w:tblGrid>" +
                "".join(f"<w:tr><w:tc><w:tcPr><w:tcW w:w=\"4000\" w:type=\"dxa\"/></w:tcPr>{p}"
                        "</w:tc></w:tr>" for p in paragraphs["table"]) + "</w:tbl>")
    body.append(f'<w:p>{docx_text_box(paragraphs["box"][0])}</w:p>')
    sect = ('<w:sectPr><w:headerReference w:type="default" r:id="rIdHeader"/>'
            '<w:footerReference w:type="default" r:id="rIdFooter"/>'
            '<w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:right="1440" '
            'w:bottom="1440" w:left="1440" w:header="708" w:footer="708" w:gutter="0"/></w:sectPr>')
    heading_font = f'<w:rFonts w:ascii="{ML_TT}" w:hAnsi="{ML_TT}"/>' if form == "ml-tt" else ""
    styles = (f'<w:styles {NS}><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts '
              'w:asciiTheme="minorHAnsi" w:hAnsiTheme="minorHAnsi" w:eastAsiaTheme="minorHAnsi" '
              'w:cstheme="minorBidi"/><w:sz w:val="22"/><w:szCs w:val="22"/></w:rPr></w:rPrDefault>'
              '</w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="Normal">'
              '<w:name w:val="Normal"/></w:style><w:style w:type="paragraph" w:styleId="Heading1">'
              '<w:name w:val="heading 1"/><w:basedOn w:val="Normal"/><w:pPr><w:outlineLvl w:val="0"/>'
              f'</w:pPr><w:rPr>{heading_font}<w:b/><w:sz w:val="36"/></w:rPr></w:style>'
              '<w:style w:type="paragraph" w:styleId="MlTable"><w:name w:val="ML table"/>'
              f'<w:basedOn w:val="Normal"/><w:rPr>{heading_font}</w:rPr></w:style></w:styles>')
    theme = ('<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="T">'
             '<a:themeElements><a:clrScheme name="C"/><a:fontScheme name="F"><a:majorFont>'
             '<a:latin typeface="Liberation Sans"/><a:ea typeface=""/><a:cs typeface=""/>'
             '</a:majorFont><a:minorFont><a:latin typeface="Liberation Serif"/><a:ea typeface=""/>'
             '<a:cs typeface=""/></a:minorFont></a:fontScheme><a:fmtScheme name="F"/>'
             '</a:themeElements></a:theme>')
    story = lambda root, items: f'<w:{root} {NS}>{"".join(items)}</w:{root}>'
    notes = (f'<w:footnotes {NS}><w:footnote w:type="separator" w:id="-1"><w:p><w:r>'
             '<w:separator/></w:r></w:p></w:footnote><w:footnote w:type="continuationSeparator" '
             'w:id="0"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:footnote>'
             f'<w:footnote w:id="1">{paragraphs["note"][0]}</w:footnote></w:footnotes>')
    rel = lambda i, kind, target: (f'<Relationship Id="{i}" Type="http://schemas.openxmlformats.'
                                   f'org/officeDocument/2006/relationships/{kind}" '
                                   f'Target="{target}"/>')
    rels_ns = "http://schemas.openxmlformats.org/package/2006/relationships"
    wml = "application/vnd.openxmlformats-officedocument.wordprocessingml"
    types = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.'
             'relationships+xml"/><Default Extension="xml" ContentType="application/xml"/>'
             '<Default Extension="png" ContentType="image/png"/>'
             f'<Override PartName="/word/document.xml" ContentType="{wml}.document.main+xml"/>'
             f'<Override PartName="/word/styles.xml" ContentType="{wml}.styles+xml"/>'
             f'<Override PartName="/word/header1.xml" ContentType="{wml}.header+xml"/>'
             f'<Override PartName="/word/footer1.xml" ContentType="{wml}.footer+xml"/>'
             f'<Override PartName="/word/footnotes.xml" ContentType="{wml}.footnotes+xml"/>'
             '<Override PartName="/word/theme/theme1.xml" ContentType="application/vnd.'
             'openxmlformats-officedocument.theme+xml"/></Types>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", f'<Relationships xmlns="{rels_ns}">' +
                   rel("rId1", "officeDocument", "word/document.xml") + "</Relationships>")
        z.writestr("word/_rels/document.xml.rels", f'<Relationships xmlns="{rels_ns}">' +
                   rel("rIdStyles", "styles", "styles.xml") + rel("rIdTheme", "theme",
                                                                  "theme/theme1.xml") +
                   rel("rIdHeader", "header", "header1.xml") +
                   rel("rIdFooter", "footer", "footer1.xml") +
                   rel("rIdNotes", "footnotes", "footnotes.xml") +
                   rel("rIdPicture", "image", "media/unused.png") + "</Relationships>")
        z.writestr("word/document.xml", f'<w:document {NS}><w:body>{"".join(body)}{sect}'
                   "</w:body></w:document>")
        z.writestr("word/styles.xml", styles)
        z.writestr("word/theme/theme1.xml", theme)
        z.writestr("word/header1.xml", story("hdr", paragraphs["header"]))
        z.writestr("word/footer1.xml", story("ftr", paragraphs["footer"]))
        z.writestr("word/footnotes.xml", notes)
        z.writestr(zipfile.ZipInfo("word/media/unused.png"), bytes(range(256)) * 4,
                   zipfile.ZIP_STORED)


# --- OpenDocument ---
ODF_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:dc="http://purl.org/dc/elements/1.1/" office:version="1.3"')


class OdtStyles:
    """Automatic text styles, one per distinct format."""

    def __init__(self, form):
        self.form, self.names = form, {}

    def name(self, fmt, malayalam):
        key = (tuple(sorted(fmt.items())), malayalam and self.form == "ml-tt")
        if key not in self.names:
            self.names[key] = f"T{len(self.names) + 1}"
        return self.names[key]

    def xml(self):
        out = ""
        for (fmt, ml_tt), name in self.names.items():
            fmt, props = dict(fmt), ""
            if ml_tt:
                props += f' style:font-name="{ML_TT}"'
            complex_twin = self.form != "ml-tt"
            if fmt.get("b"):
                props += ' fo:font-weight="bold"' + (' style:font-weight-complex="bold"'
                                                      if complex_twin else "")
            if fmt.get("i"):
                props += ' fo:font-style="italic"' + (' style:font-style-complex="italic"'
                                                       if complex_twin else "")
            if fmt.get("sz"):
                props += f' fo:font-size="{fmt["sz"]}pt"' + (
                    f' style:font-size-complex="{fmt["sz"]}pt"' if complex_twin else "")
            out += (f'<style:style style:name="{name}" style:family="text">'
                    f"<style:text-properties{props}/></style:style>")
        return out


def odt_paragraph(place, style, runs, form, styles, inner=""):
    body = ""
    for run in runs:
        for text, fmt, malayalam in pieces(run, form):
            # The heading's ML-TT font comes from its style; the rest from automatic styles.
            if style == "Heading1" and not fmt:
                body += escape(text)
            else:
                body += (f'<text:span text:style-name="{styles.name(fmt, malayalam)}">'
                         f"{escape(text)}</text:span>")
    tag = "text:h" if style == "Heading1" else "text:p"
    level = ' text:outline-level="1"' if style == "Heading1" else ""
    name = "Heading_20_1" if style == "Heading1" else "Standard"
    return f'<{tag} text:style-name="{name}"{level}>{body}{inner}</{tag}>'


def write_odt(path, form):
    styles = OdtStyles(form)
    paragraphs = {place: [] for place in ("body", "table", "header", "footer", "note", "box",
                                          "deleted")}
    for place, style, runs in STORY:
        paragraphs[place].append(odt_paragraph(place, style, runs, form, styles))
    note = ('<text:note text:id="ftn1" text:note-class="footnote"><text:note-citation>1'
            f'</text:note-citation><text:note-body>{paragraphs["note"][0]}</text:note-body>'
            "</text:note>")
    body = paragraphs["body"][:1]
    body.append('<text:p text:style-name="Standard"><text:change-start text:change-id="ct1"/>'
                '<text:change-end text:change-id="ct1"/></text:p>')
    body += paragraphs["body"][1:2]
    body.append("<table:table table:name=\"T\"><table:table-column/>" + "".join(
        f'<table:table-row><table:table-cell office:value-type="string">{p}</table:table-cell>'
        "</table:table-row>" for p in paragraphs["table"]) + "</table:table>")
    body.append(paragraphs["body"][2].replace("</text:p>", note + "</text:p>"))
    body += paragraphs["body"][3:]
    body.append('<text:p text:style-name="Standard"><draw:frame draw:name="Box" '
                'text:anchor-type="paragraph" svg:width="5cm" svg:height="1.5cm"><draw:text-box>'
                f'{paragraphs["box"][0]}</draw:text-box></draw:frame></text:p>')
    deletion = ('<text:tracked-changes><text:changed-region text:id="ct1"><text:deletion>'
                '<office:change-info><dc:creator>T</dc:creator><dc:date>2020-01-01T00:00:00'
                f'</dc:date></office:change-info>{paragraphs["deleted"][0]}</text:deletion>'
                "</text:changed-region></text:tracked-changes>")
    faces = (f'<office:font-face-decls><style:font-face style:name="{ML_TT}" '
             f'svg:font-family="{ML_TT}"/><style:font-face style:name="Liberation Serif" '
             "svg:font-family=\"'Liberation Serif'\" style:font-family-generic=\"roman\"/>"
             "</office:font-face-decls>")
    content = (f"<office:document-content {ODF_NS}>{faces}<office:automatic-styles>"
               f"{{auto}}</office:automatic-styles><office:body><office:text>{deletion}"
               f'{"".join(body)}</office:text></office:body></office:document-content>')
    content = content.replace("{auto}", styles.xml())
    heading_font = f' style:font-name="{ML_TT}"' if form == "ml-tt" else ""
    heading_twins = ("" if form == "ml-tt" else
                     ' style:font-weight-complex="bold" style:font-size-complex="18pt"')
    header_footer = (f'<style:header>{paragraphs["header"][0]}</style:header>'
                     f'<style:footer>{paragraphs["footer"][0]}</style:footer>')
    style_xml = (f"<office:document-styles {ODF_NS}>{faces}<office:styles><style:default-style "
                 'style:family="paragraph"><style:text-properties style:font-name="Liberation '
                 'Serif" fo:font-size="11pt" style:font-size-complex="11pt"/></style:default-style>'
                 '<style:style style:name="Standard" style:family="paragraph"/><style:style '
                 'style:name="Heading_20_1" style:display-name="Heading 1" style:family='
                 '"paragraph" style:parent-style-name="Standard"><style:text-properties '
                 f'fo:font-weight="bold" fo:font-size="18pt"{heading_font}{heading_twins}/>'
                 "</style:style></office:styles><office:automatic-styles>{auto}"
                 '<style:page-layout style:name="pm1"><style:page-layout-properties '
                 'fo:page-width="21cm" fo:page-height="29.7cm"/></style:page-layout>'
                 '</office:automatic-styles><office:master-styles><style:master-page '
                 f'style:name="Standard" style:page-layout-name="pm1">{header_footer}'
                 "</style:master-page></office:master-styles></office:document-styles>")
    style_xml = style_xml.replace("{auto}", styles.xml())
    manifest = ('<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:'
                'manifest:1.0" manifest:version="1.3"><manifest:file-entry manifest:full-path="/" '
                'manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type='
                '"text/xml"/><manifest:file-entry manifest:full-path="styles.xml" '
                'manifest:media-type="text/xml"/><manifest:file-entry manifest:full-path='
                '"Pictures/unused.png" manifest:media-type="image/png"/></manifest:manifest>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.text",
                   zipfile.ZIP_STORED)
        z.writestr("content.xml", content)
        z.writestr("styles.xml", style_xml)
        z.writestr("META-INF/manifest.xml", manifest)
        z.writestr(zipfile.ZipInfo("Pictures/unused.png"), bytes(range(256)) * 4,
                   zipfile.ZIP_STORED)


OUT.mkdir(parents=True, exist_ok=True)
for form in ("ml-tt", "unicode"):
    write_docx(OUT / f"{form}.docx", form)
    write_odt(OUT / f"{form}.odt", form)
    # The body's paragraphs as LibreOffice's text export gives them, in its order (the table
    # after the second paragraph, the footnote's number after the third), each as converted
    # out of this form; and the deleted paragraph, which the export may show or leave out.
    lines = {place: [expected(runs, form) for p, _, runs in STORY if p == place]
             for place in ("body", "table", "deleted")}
    body = lines["body"]
    order = body[:2] + lines["table"] + [body[2] + "1"] + body[3:]
    (OUT / f"{form}.expected.txt").write_text("\n".join(order) + "\n")
    (OUT / f"{form}.deleted.txt").write_text(lines["deleted"][0] + "\n")
    # The Malayalam of the other stories as converted: each must be in the converted file.
    stories = [expected([run], form) for place, _, runs in STORY
               if place in ("header", "footer", "note", "box") for run in runs if run[0] == "ml"]
    (OUT / f"{form}.stories.txt").write_text("\n".join(stories) + "\n")
