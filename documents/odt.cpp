// OpenDocument text (ODT): which text holds Malayalam, how its font is resolved through default,
// common and automatic styles and nested spans, and how converted text gets its new font.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "documents/office_package.h"
#include "documents/text_units.h"

namespace lipimattam {
namespace {

constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kFo = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

// The text properties that Western and complex-script text take apart, as attributes.
struct PropertyTwin {
  std::string_view latin_space;
  std::string_view latin;
  std::string_view complex;  // in the style namespace
};
constexpr std::array<PropertyTwin, 3> kPropertyTwins = {{
    {kFo, "font-weight", "font-weight-complex"},
    {kFo, "font-style", "font-style-complex"},
    {kFo, "font-size", "font-size-complex"},
}};

// Attributes that name a font other than by its face, dropped where the face is set anew.
constexpr std::array<std::string_view, 5> kFontDetails = {
    "font-family", "font-family-generic", "font-pitch", "font-charset", "font-style-name",
};

struct Style {
  Part* part = nullptr;
  std::uint32_t properties = kNoNode;  // style:text-properties
  std::string parent;
};

// One level of the formatting that applies to a character.
struct Layer {
  Part* part = nullptr;
  std::uint32_t properties = kNoNode;
};

struct TextPiece {
  std::uint32_t node = kNoNode;  // a text node
  std::u16string text;
  std::vector<Layer> layers;
  std::vector<bool> converted;                                  // per unit
  std::vector<std::pair<std::size_t, std::u16string>> outputs;  // start in text, output
};

// A change to a style's text properties: the fonts, and each property copied into its twin.
struct PropertyChange {
  std::string face;          // the font face for both Western and complex text
  std::string complex_face;  // the complex-script face alone
  bool twins_to_complex = false;
};

std::string Unquote(std::string family) {
  if (family.size() >= 2 && (family.front() == '\'' || family.front() == '"') &&
      family.back() == family.front())
    return family.substr(1, family.size() - 2);
  return family;
}

class OdtConverter {
 public:
  OdtConverter(const ReadPart& read, const DocumentOptions& options)
      : options_(options), store_(read), fonts_(options) {}

  PartsConversion Run() {
    Part* content = store_.Load("content.xml");
    if (content == nullptr) Fail("content.xml", "missing: this is not an OpenDocument text");
    Part* styles = store_.Load("styles.xml");
    for (Part* part : {styles, content}) {
      if (part == nullptr) continue;
      const XmlNode& root = part->tree[part->tree.Root()];
      if (root.name.space != kOffice) Fail(part->name, "not an OpenDocument part");
      LoadStyles(*part);
    }
    if (styles != nullptr) ConvertPart(*styles);
    ConvertPart(*content);
    if (options_.direction == DocumentDirection::kToUnicode) {
      // Styles that set an ML-TT font and no text uses yet: new text in them is Unicode too.
      std::vector<const Style*> all = {&default_paragraph_};
      for (const auto& [key, style] : common_) all.push_back(&style);
      for (const auto& [part, styles_of_part] : automatic_)
        for (const auto& [key, style] : styles_of_part) all.push_back(&style);
      for (const Style* style : all) {
        if (style->properties == kNoNode) continue;
        const std::vector<Layer> own = {{style->part, style->properties}};
        const auto [font, set_at] = FontOf(own, false);
        if (set_at < 0 || fonts_.Reading(font) == FontReading::kNone) continue;
        PropertyChange& change = changes_[{style->part, style->properties}];
        change.face = options_.unicode_font;
        change.twins_to_complex = true;
      }
    }
    ApplyStyleChanges();
    for (auto& [part, additions] : additions_) WriteAdditions(*part, additions);
    return store_.Result(summary_, fonts_.LeftAlone());
  }

 private:
  static std::string Key(std::string_view family, std::string_view name) {
    return std::string(family) + '\n' + std::string(name);
  }

  void LoadStyles(Part& part) {
    const XmlTree& tree = part.tree;
    for (const std::uint32_t section : tree.ChildElements(tree.Root())) {
      const XmlNode& node = tree[section];
      if (Is(node, kOffice, "font-face-decls")) {
        for (const std::uint32_t face : tree.ChildElements(section)) {
          const auto name = tree.Attribute(face, kStyle, "name");
          const auto family = tree.Attribute(face, kSvg, "font-family");
          if (name && family) faces_[&part][XmlUnescape(*name)] = Unquote(XmlUnescape(*family));
        }
        continue;
      }
      const bool common = Is(node, kOffice, "styles");
      if (!common && !Is(node, kOffice, "automatic-styles")) continue;
      for (const std::uint32_t element : tree.ChildElements(section)) {
        const XmlNode& style_node = tree[element];
        const bool is_default = Is(style_node, kStyle, "default-style");
        if (!is_default && !Is(style_node, kStyle, "style")) continue;
        const std::string family =
            XmlUnescape(tree.Attribute(element, kStyle, "family").value_or(""));
        Style style{&part, tree.Child(element, kStyle, "text-properties"),
                    XmlUnescape(tree.Attribute(element, kStyle, "parent-style-name").value_or(""))};
        if (is_default) {
          if (family == "paragraph") default_paragraph_ = style;
          continue;
        }
        const std::string name = XmlUnescape(tree.Attribute(element, kStyle, "name").value_or(""));
        (common ? common_ : automatic_[&part])[Key(family, name)] = style;
        style_names_[&part].insert(name);
      }
    }
  }

  // The font a face name stands for, looked up in the part's declarations first.
  std::string FaceFamily(const Part& part, const std::string& face) const {
    for (const auto& [owner, faces] : faces_) {
      if (owner != &part) continue;
      if (const auto found = faces.find(face); found != faces.end()) return found->second;
    }
    for (const auto& [owner, faces] : faces_)
      if (const auto found = faces.find(face); found != faces.end()) return found->second;
    return face;
  }

  // A style's layers, its farthest ancestor first: an automatic style of the part, or a common
  // style; parents are common styles.
  void AddStyleLayers(const Part& part, std::string_view family, const std::string& name,
                      std::vector<Layer>& layers) const {
    std::vector<Layer> chain;
    const Style* style = nullptr;
    if (const auto automatic = automatic_.find(&part); automatic != automatic_.end()) {
      const auto found = automatic->second.find(Key(family, name));
      if (found != automatic->second.end()) style = &found->second;
    }
    std::string at = name;
    for (int depth = 0; depth < 32; ++depth) {  // a loop of parents ends too
      if (style == nullptr) {
        const auto found = common_.find(Key(family, at));
        if (found == common_.end()) break;
        style = &found->second;
      }
      chain.push_back({style->part, style->properties});
      at = style->parent;
      style = nullptr;
      if (at.empty()) break;
    }
    layers.insert(layers.end(), chain.rbegin(), chain.rend());
  }

  // The Western (or complex) font of the layers, and the layer that sets it (-1 for none).
  std::pair<std::string, int> FontOf(const std::vector<Layer>& layers, bool complex) const {
    std::pair<std::string, int> found{std::string(), -1};
    for (std::size_t i = 0; i < layers.size(); ++i) {
      if (layers[i].properties == kNoNode) continue;
      const XmlTree& tree = layers[i].part->tree;
      const auto face =
          tree.Attribute(layers[i].properties, kStyle, complex ? "font-name-complex" : "font-name");
      const auto family = complex
                              ? tree.Attribute(layers[i].properties, kStyle, "font-family-complex")
                              : tree.Attribute(layers[i].properties, kFo, "font-family");
      if (face) {
        found = {FaceFamily(*layers[i].part, XmlUnescape(*face)), static_cast<int>(i)};
      } else if (family) {
        found = {Unquote(XmlUnescape(*family)), static_cast<int>(i)};
      }
    }
    return found;
  }

  // A text property's value as the layers give it, or nothing.
  static std::optional<std::string> ValueOf(const std::vector<Layer>& layers,
                                            std::string_view space, std::string_view local) {
    std::optional<std::string> value;
    for (const Layer& layer : layers) {
      if (layer.properties == kNoNode) continue;
      if (const auto set = layer.part->tree.Attribute(layer.properties, space, local))
        value = std::string(*set);
    }
    return value;
  }

  // --- The text ---

  struct Context {
    std::vector<Layer> layers;
    std::vector<TextAtom>* atoms = nullptr;  // the paragraph being gathered, if any
  };

  void ConvertPart(Part& part) {
    pieces_.clear();
    Context context;
    Walk(part, part.tree.Root(), context);
    Rewrite(part);
  }

  static void Break(const Context& context) {
    if (context.atoms != nullptr) context.atoms->push_back(TextAtom{});
  }

  void Walk(Part& part, std::uint32_t node, const Context& context) {
    const XmlTree& tree = part.tree;
    for (std::uint32_t child = tree[node].first_child; child != kNoNode;
         child = tree[child].next_sibling) {
      const XmlNode& element = tree[child];
      if (element.is_text) {
        if (context.atoms != nullptr) Text(part, child, context);
        continue;
      }
      if (element.name.space == kOffice &&
          (element.name.local == "font-face-decls" || element.name.local == "styles" ||
           element.name.local == "automatic-styles" || element.name.local == "scripts" ||
           element.name.local == "settings" || element.name.local == "meta"))
        continue;
      if (element.name.space == kText) {
        const std::string_view local = element.name.local;
        if (local == "p" || local == "h") {
          Break(context);
          Paragraph(part, child);
          continue;
        }
        if (local == "span") {
          Context inner = context;
          if (const auto name = tree.Attribute(child, kText, "style-name"))
            AddStyleLayers(part, "text", XmlUnescape(*name), inner.layers);
          Walk(part, child, inner);
          continue;
        }
        if (local == "bookmark" || local == "bookmark-start" || local == "bookmark-end" ||
            local == "soft-page-break" || local == "change-start" || local == "change-end" ||
            local == "change" || local == "reference-mark" || local == "reference-mark-start" ||
            local == "reference-mark-end" || local == "alphabetical-index-mark" ||
            local == "toc-mark")
          continue;  // marks: the text flows on
        if (local == "tracked-changes" || local == "note" || local == "note-citation" ||
            local == "s" || local == "tab" || local == "line-break") {
          Break(context);
          Context inner = context;
          inner.atoms = nullptr;  // a deletion's or a note's paragraphs are their own
          if (local != "note-citation") Walk(part, child, inner);
          Break(context);
          continue;
        }
      }
      if (element.name.space != kText && context.atoms != nullptr) {
        // A frame, a text box, an annotation: their paragraphs are their own.
        Break(context);
        Context inner = context;
        inner.atoms = nullptr;
        Walk(part, child, inner);
        Break(context);
        continue;
      }
      Walk(part, child, context);  // links, fields, lists, sections, tables ...
    }
  }

  void Paragraph(Part& part, std::uint32_t paragraph) {
    const XmlTree& tree = part.tree;
    std::vector<TextAtom> atoms;
    Context context;
    context.atoms = &atoms;
    if (default_paragraph_.properties != kNoNode)
      context.layers.push_back({default_paragraph_.part, default_paragraph_.properties});
    if (const auto name = tree.Attribute(paragraph, kText, "style-name"))
      AddStyleLayers(part, "paragraph", XmlUnescape(*name), context.layers);
    Walk(part, paragraph, context);
    Convert(atoms);
  }

  void Text(Part& part, std::uint32_t node, const Context& context) {
    const XmlTree& tree = part.tree;
    TextPiece piece;
    piece.node = node;
    const XmlNode& text_node = tree[node];
    piece.text =
        ToUtf16(text_node.is_cdata ? std::string(tree.Xml().substr(
                                         text_node.begin + 9, text_node.end - text_node.begin - 12))
                                   : XmlUnescape(tree.Bytes(node)));
    piece.layers = context.layers;
    const bool to_unicode = options_.direction == DocumentDirection::kToUnicode;
    const FontReading reading = fonts_.Reading(FontOf(piece.layers, false).first);
    const auto index = static_cast<std::uint32_t>(pieces_.size());
    for (std::size_t i = 0; i < piece.text.size(); ++i) {
      TextAtom atom;
      atom.source = index;
      atom.offset = static_cast<std::uint32_t>(i);
      atom.code = piece.text[i];
      if (to_unicode) {
        atom.convertible = reading != FontReading::kNone;
        atom.code = CodeOf(piece.text[i], reading);
      } else {
        atom.script = ClassOf(piece.text[i]);
      }
      context.atoms->push_back(atom);
    }
    piece.converted.assign(piece.text.size(), false);
    pieces_.push_back(std::move(piece));
  }

  void Convert(std::vector<TextAtom>& atoms) {
    for (ConvertedPiece& converted : ConvertAtoms(atoms, options_, summary_)) {
      TextPiece& piece = pieces_[converted.source];
      for (std::size_t k = 0; k < converted.length; ++k)
        piece.converted[converted.offset + k] = true;
      piece.outputs.emplace_back(converted.offset, std::move(converted.output));
    }
  }

  // --- Writing back ---

  void Rewrite(Part& part) {
    const XmlTree& tree = part.tree;
    for (TextPiece& piece : pieces_) {
      if (piece.outputs.empty()) continue;
      ++summary_.runs;
      std::sort(piece.outputs.begin(), piece.outputs.end());
      std::string bytes;
      std::string span_style;
      if (options_.direction == DocumentDirection::kToUnicode) {
        PlanFonts(piece.layers);
      } else {
        span_style = MlTtStyle(part, piece.layers);
      }
      const std::string prefix = TextPrefix(part, piece.node);
      std::size_t at = 0;
      for (const auto& [start, output] : piece.outputs) {
        bytes += EscapeText(std::u16string_view(piece.text).substr(at, start - at));
        std::size_t end = start;
        while (end < piece.text.size() && piece.converted[end]) ++end;
        // The next output, if any, starts at a later stretch of this node.
        at = end;
        if (span_style.empty()) {
          bytes += EscapeText(output);
        } else if (!output.empty()) {
          bytes += "<" + prefix + "span " + prefix + "style-name=\"" + span_style + "\">" +
                   EscapeText(output) + "</" + prefix + "span>";
        }
      }
      bytes += EscapeText(std::u16string_view(piece.text).substr(at));
      part.edits.Replace(tree[piece.node].begin, tree[piece.node].end, bytes);
    }
  }

  // The prefix the part gives the text namespace, with its colon.
  static std::string TextPrefix(const Part& part, std::uint32_t node) {
    const XmlTree& tree = part.tree;
    for (std::uint32_t at = tree[node].parent; at != kNoNode; at = tree[at].parent)
      if (tree[at].name.space == kText)
        return tree[at].prefix.empty() ? "" : std::string(tree[at].prefix) + ":";
    return "text:";
  }

  // Converted to Unicode: the Unicode font where the ML-TT font was set, and every property
  // of the layers copied into its complex-script twin.
  void PlanFonts(const std::vector<Layer>& layers) {
    const auto [font, source] = FontOf(layers, false);
    if (source < 0) return;
    changes_[{layers[static_cast<std::size_t>(source)].part,
              layers[static_cast<std::size_t>(source)].properties}]
        .face = options_.unicode_font;
    // A complex-script font set after it would draw the Malayalam: it becomes the Unicode one.
    for (std::size_t i = static_cast<std::size_t>(source) + 1; i < layers.size(); ++i) {
      if (layers[i].properties == kNoNode) continue;
      const XmlTree& tree = layers[i].part->tree;
      if (tree.Attribute(layers[i].properties, kStyle, "font-name-complex") ||
          tree.Attribute(layers[i].properties, kStyle, "font-family-complex"))
        changes_[{layers[i].part, layers[i].properties}].complex_face = options_.unicode_font;
    }
    for (const Layer& layer : layers)
      if (layer.properties != kNoNode)
        changes_[{layer.part, layer.properties}].twins_to_complex = true;
  }

  // Converted to ML-TT: an automatic text style of the part with the ML-TT font, and the
  // complex-script weight, posture and size where they differ from the Western ones.
  std::string MlTtStyle(Part& part, const std::vector<Layer>& layers) {
    std::string properties = "style:font-name=\"" + XmlEscape(options_.ml_tt_font, true) + "\"";
    for (const PropertyTwin& twin : kPropertyTwins) {
      const auto complex = ValueOf(layers, kStyle, twin.complex);
      if (complex && complex != ValueOf(layers, twin.latin_space, twin.latin))
        properties += " fo:" + std::string(twin.latin) + "=\"" + *complex + "\"";
    }
    Additions& additions = additions_[&part];
    additions.faces.insert(options_.ml_tt_font);
    auto& named = additions.styles[properties];
    if (named.empty()) {
      for (int n = static_cast<int>(additions.styles.size());; ++n) {
        named = "Lipimattam" + std::to_string(n);
        if (!style_names_[&part].contains(named)) break;
      }
      style_names_[&part].insert(named);
    }
    return named;
  }

  void ApplyStyleChanges() {
    for (const auto& [where, change] : changes_) {
      Part* const part = where.first;
      const std::uint32_t properties = where.second;
      const XmlTree& tree = part->tree;
      const XmlNode& node = tree[properties];
      const std::string style = node.prefix.empty() ? "" : std::string(node.prefix) + ":";
      std::vector<std::string_view> drop;
      std::vector<AttributeChange> set;
      const auto qualified = [&tree, properties](std::string_view space, std::string_view local,
                                                 const std::string& fallback) {
        for (const XmlNodeAttribute& attribute : tree.Attributes(properties))
          if (attribute.name.space == space && attribute.name.local == local)
            return std::string(attribute.qualified);
        return fallback;
      };
      const auto drop_details = [&](bool complex) {
        for (const XmlNodeAttribute& attribute : tree.Attributes(properties)) {
          for (const std::string_view detail : kFontDetails) {
            const std::string local = std::string(detail) + (complex ? "-complex" : "");
            const bool fo_family = !complex && detail == "font-family";
            if (attribute.name.local == local && attribute.name.space == (fo_family ? kFo : kStyle))
              drop.push_back(attribute.qualified);
          }
        }
      };
      if (!change.face.empty() || !change.complex_face.empty()) {
        const std::string face = change.face.empty() ? change.complex_face : change.face;
        additions_[part].faces.insert(face);
        if (!change.face.empty()) {
          drop_details(false);
          set.push_back(
              {qualified(kStyle, "font-name", style + "font-name"), XmlEscape(face, true)});
        }
        drop_details(true);
        set.push_back({qualified(kStyle, "font-name-complex", style + "font-name-complex"),
                       XmlEscape(face, true)});
      }
      if (change.twins_to_complex) {
        for (const PropertyTwin& twin : kPropertyTwins) {
          const auto value = tree.Attribute(properties, twin.latin_space, twin.latin);
          if (value)
            set.push_back({qualified(kStyle, twin.complex, style + std::string(twin.complex)),
                           std::string(*value)});
        }
      }
      if (set.empty()) continue;
      const bool empty = tree.IsEmptyTag(properties);
      part->edits.Replace(node.begin, empty ? node.end : node.content_begin,
                          RewriteStartTag(style + std::string(node.name.local),
                                          tree.Attributes(properties), drop, set, empty));
    }
  }

  // The namespace declarations of the root's start tag, as written: name="value".
  static std::vector<std::string_view> RootDeclarations(const XmlTree& tree) {
    std::vector<std::string_view> declarations;
    const std::string_view tag = tree.StartTag(tree.Root());
    for (std::size_t at = tag.find("xmlns:"); at != std::string_view::npos;
         at = tag.find("xmlns:", at + 1)) {
      const std::size_t equals = tag.find('=', at);
      if (equals == std::string_view::npos || equals + 1 >= tag.size()) break;
      const std::size_t close = tag.find(tag[equals + 1], equals + 2);
      if (close == std::string_view::npos) break;
      declarations.push_back(tag.substr(at, close + 1 - at));
    }
    return declarations;
  }

  // --- What a part gains: font faces and automatic styles ---

  struct Additions {
    std::set<std::string> faces;
    std::map<std::string, std::string> styles;  // text properties -> style name
  };

  void WriteAdditions(Part& part, const Additions& additions) {
    const XmlTree& tree = part.tree;
    const std::uint32_t root = tree.Root();
    const std::string office =
        tree[root].prefix.empty() ? "" : std::string(tree[root].prefix) + ":";
    // What is added names the style, svg and fo namespaces by their usual prefixes.
    std::vector<AttributeChange> declarations_needed;
    for (const auto& [prefix, space] :
         {std::pair{"style", kStyle}, std::pair{"svg", kSvg}, std::pair{"fo", kFo}}) {
      const std::string attribute = "xmlns:" + std::string(prefix);
      std::optional<std::string_view> bound;
      for (const std::string_view written : RootDeclarations(tree))
        if (written.substr(0, written.find('=')) == attribute)
          bound = written.substr(written.find('=') + 2, written.size() - written.find('=') - 3);
      if (!bound) {
        declarations_needed.push_back({attribute, std::string(space)});
      } else if (*bound != space) {
        Fail(part.name, "the prefix '" + std::string(prefix) + "' names another namespace");
      }
    }
    if (!declarations_needed.empty()) {
      std::string tag(tree.StartTag(root));
      tag.pop_back();
      for (const AttributeChange& declaration : declarations_needed)
        tag += " " + declaration.qualified + "=\"" + declaration.value + "\"";
      part.edits.Replace(tree[root].begin, tree[root].content_begin, tag + ">");
    }
    std::string faces;
    for (const std::string& face : additions.faces) {
      bool declared = false;
      if (const auto found = faces_.find(&part); found != faces_.end())
        declared = found->second.contains(face);
      if (!declared)
        faces += "<style:font-face style:name=\"" + XmlEscape(face, true) +
                 "\" svg:font-family=\"" + XmlEscape(face, true) + "\"/>";
    }
    std::string styles;
    for (const auto& [properties, name] : additions.styles)
      styles += "<style:style style:name=\"" + name +
                "\" style:family=\"text\"><style:text-properties " + properties +
                "/></style:style>";
    // Sections in the order the schema gives them; a missing one is made where it belongs.
    const std::uint32_t declarations = tree.Child(root, kOffice, "font-face-decls");
    const std::uint32_t automatic = tree.Child(root, kOffice, "automatic-styles");
    std::uint32_t after_faces = kNoNode;  // the first section that comes after the faces
    for (const std::uint32_t section : tree.ChildElements(root)) {
      const std::string_view local = tree[section].name.local;
      if (after_faces == kNoNode && local != "scripts" && local != "font-face-decls" &&
          local != "settings" && local != "meta")
        after_faces = section;
    }
    const auto insert_before_end = [&](std::uint32_t element, const std::string& bytes,
                                       const std::string& wrapper) {
      if (element == kNoNode) return false;
      if (tree.IsEmptyTag(element)) {
        part.edits.Replace(tree[element].begin, tree[element].end,
                           "<" + office + wrapper + ">" + bytes + "</" + office + wrapper + ">");
      } else {
        part.edits.Insert(tree[element].content_end, bytes);
      }
      return true;
    };
    if (!faces.empty() && !insert_before_end(declarations, faces, "font-face-decls")) {
      const std::size_t at =
          after_faces == kNoNode ? tree[root].content_end : tree[after_faces].begin;
      part.edits.Insert(
          at, "<" + office + "font-face-decls>" + faces + "</" + office + "font-face-decls>");
    }
    if (!styles.empty() && !insert_before_end(automatic, styles, "automatic-styles")) {
      std::uint32_t before = kNoNode;
      for (const std::uint32_t section : tree.ChildElements(root)) {
        const std::string_view local = tree[section].name.local;
        if (before == kNoNode && (local == "master-styles" || local == "body")) before = section;
      }
      const std::size_t at = before == kNoNode ? tree[root].content_end : tree[before].begin;
      part.edits.Insert(
          at, "<" + office + "automatic-styles>" + styles + "</" + office + "automatic-styles>");
    }
  }

  const DocumentOptions& options_;
  PartStore store_;
  FontClasses fonts_;
  DocumentSummary summary_;
  std::map<const Part*, std::map<std::string, std::string>> faces_;  // face name -> family
  std::map<std::string, Style> common_;
  std::map<const Part*, std::map<std::string, Style>> automatic_;
  std::map<const Part*, std::set<std::string>> style_names_;
  Style default_paragraph_;
  std::vector<TextPiece> pieces_;  // of the part being converted
  std::map<std::pair<Part*, std::uint32_t>, PropertyChange> changes_;
  std::map<Part*, Additions> additions_;
};

}  // namespace

PartsConversion ConvertOdt(const ReadPart& read, const DocumentOptions& options) {
  return OdtConverter(read, options).Run();
}

}  // namespace lipimattam
