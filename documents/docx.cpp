// Word documents (WordprocessingML): which runs hold Malayalam text, how their fonts are
// resolved through styles and the theme, and how converted runs get their new font.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <lipimattam/utf16.h>

#include "documents/office_package.h"
#include "documents/text_units.h"

namespace lipimattam {
namespace {

constexpr std::string_view kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kStrictW = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kDrawing = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr std::string_view kMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr std::string_view kMath = "http://schemas.openxmlformats.org/officeDocument/2006/math";

// The children of run properties in the order the schema requires them; Word refuses a file
// whose elements are out of order. Elements of other namespaces come after all of these.
constexpr std::array<std::string_view, 44> kRunPropertyOrder = {
    "ins",  // the first four only in a paragraph mark's properties
    "del",        "moveFrom", "moveTo",    "rStyle",     "rFonts",
    "b",          "bCs",      "i",         "iCs",        "caps",
    "smallCaps",  "strike",   "dstrike",   "outline",    "shadow",
    "emboss",     "imprint",  "noProof",   "snapToGrid", "vanish",
    "webHidden",  "color",    "spacing",   "w",          "kern",
    "position",   "sz",       "szCs",      "highlight",  "u",
    "effect",     "bdr",      "shd",       "fitText",    "vertAlign",
    "rtl",        "cs",       "em",        "lang",       "eastAsianLayout",
    "specVanish", "oMath",    "rPrChange",
};

std::size_t RunPropertyRank(std::string_view local) {
  return static_cast<std::size_t>(
      std::find(kRunPropertyOrder.begin(), kRunPropertyOrder.end(), local) -
      kRunPropertyOrder.begin());
}
std::size_t RunPropertyRank(const XmlNode& node) {
  return node.name.space == kW ? RunPropertyRank(node.name.local) : kRunPropertyOrder.size();
}

// The three font slots a run's characters are drawn with: ASCII, the rest of Latin (the codes
// 0x80..0xFF among them), and complex scripts (Malayalam among them).
enum Slot : std::uint8_t { kAscii, kHAnsi, kComplex };
struct SlotAttributes {
  std::string_view font;
  std::string_view theme;  // a theme font, which wins over the font in the same element
};
constexpr std::array<SlotAttributes, 3> kSlotAttributes = {{
    {"ascii", "asciiTheme"}, {"hAnsi", "hAnsiTheme"}, {"cs", "cstheme"},  // spelt so by the schema
}};

// The pairs of properties that Latin and complex-script text take apart.
struct PropertyTwin {
  std::string_view latin;
  std::string_view complex;
  std::string_view absent;  // the value when neither the document nor a style sets it
};
constexpr std::array<PropertyTwin, 3> kPropertyTwins = {{
    {"b", "bCs", "0"}, {"i", "iCs", "0"}, {"sz", "szCs", "20"},  // half-points: 10 pt
}};

// A symbol's character code, four hexadecimal digits; 0 for anything else.
char16_t HexCode(std::string_view digits) {
  unsigned value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0 || value > 0xFFF) return 0;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<char16_t>(value);
}

bool OnOff(std::optional<std::string_view> value) {
  return !value || (*value != "0" && *value != "false" && *value != "off");
}

// A change to a set of run properties: the fonts of all three slots, and properties set.
struct PropertyChange {
  std::string font;                        // empty: the fonts stay
  bool twins_to_complex = false;           // each of b, i, sz copied into its complex twin
  std::map<std::string, std::string> set;  // element by local name: its value attribute
  [[nodiscard]] bool Empty() const { return font.empty() && !twins_to_complex && set.empty(); }
};

// One level of the formatting that applies to a run: document defaults, a style, the run's own.
struct Layer {
  Part* part = nullptr;
  std::uint32_t properties = kNoNode;  // the rPr element, or none
};

struct Segment {
  std::size_t begin = 0;  // in the child's text
  std::size_t end = 0;
  bool converted = false;
  std::u16string output;
};

enum class ChildKind { kText, kSymbol, kOther };
struct RunChild {
  std::uint32_t node = kNoNode;
  ChildKind kind = ChildKind::kOther;
  std::u16string text;  // as written, for text; the code for a symbol
  std::vector<Segment> segments;
};

struct RunRecord {
  Part* part = nullptr;
  std::uint32_t run = kNoNode;
  bool deleted = false;
  std::vector<Layer> layers;
  std::vector<RunChild> children;
  PropertyChange change;  // of the run's own properties, when converted
};

struct ThemeFonts {
  std::map<std::string, std::string, std::less<>> by_attribute;  // "minorHAnsi" -> "Calibri"
};

struct Style {
  std::string based_on;
  std::uint32_t properties = kNoNode;
};

class DocxConverter {
 public:
  DocxConverter(const ReadPart& read, const DocumentOptions& options)
      : options_(options), store_(read), fonts_(options) {}

  PartsConversion Run() {
    const std::string main = MainPart();
    const auto related = Relationships(main);
    for (const auto& [type, target] : related) {
      if (type == "theme") LoadTheme(target);
    }
    for (const auto& [type, target] : related)
      if (type == "styles") LoadStyles(target);
    ConvertStory(main);
    for (const auto& [type, target] : related) {
      if (type == "header" || type == "footer" || type == "footnotes" || type == "endnotes" ||
          type == "comments")
        ConvertStory(target);
    }
    if (options_.direction == DocumentDirection::kToUnicode) {
      // Styles that set an ML-TT font and no text uses yet: new text in them is Unicode too.
      if (defaults_ != kNoNode) ChangeIfMlTt({styles_part_, defaults_});
      for (const auto& [id, style] : styles_)
        if (style.properties != kNoNode) ChangeIfMlTt({styles_part_, style.properties});
    }
    ApplyStyleChanges();
    return store_.Result(summary_, fonts_.LeftAlone());
  }

 private:
  // The main part, from the package's relationships.
  std::string MainPart() {
    for (const auto& [type, target] : Relationships(""))
      if (type == "officeDocument") return target;
    Fail("_rels/.rels", "no main document part: this is not a Word document");
  }

  // The relationships of a part ("" for the package): type (the last segment of its URI) and
  // the target part's name; external targets are left out.
  std::vector<std::pair<std::string, std::string>> Relationships(const std::string& source) {
    const std::size_t slash = source.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : source.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? source : source.substr(slash + 1);
    const std::string name = folder + "_rels/" + file + ".rels";
    std::vector<std::pair<std::string, std::string>> related;
    const Part* part = store_.Load(name);
    if (part == nullptr) {
      if (source.empty()) Fail(name, "missing: this is not a Word document");
      return related;
    }
    const XmlTree& tree = part->tree;
    for (const std::uint32_t child : tree.ChildElements(tree.Root())) {
      if (!Is(tree[child], kRelationships, "Relationship")) continue;
      const auto type = tree.Attribute(child, "", "Type");
      const auto target = tree.Attribute(child, "", "Target");
      const auto mode = tree.Attribute(child, "", "TargetMode");
      if (!type || !target || (mode && *mode == "External")) continue;
      const std::string unescaped_type = XmlUnescape(*type);
      related.emplace_back(unescaped_type.substr(unescaped_type.rfind('/') + 1),
                           ResolvePartName(source, XmlUnescape(*target)));
    }
    return related;
  }

  void LoadTheme(const std::string& name) {
    const Part* part = store_.Load(name);
    if (part == nullptr) return;
    const XmlTree& tree = part->tree;
    const auto walk = [&](const auto& self, std::uint32_t node) -> void {
      for (const std::uint32_t child : tree.ChildElements(node)) {
        const XmlNode& element = tree[child];
        const bool major = Is(element, kDrawing, "majorFont");
        if (major || Is(element, kDrawing, "minorFont")) {
          const std::string scheme = major ? "major" : "minor";
          const auto typeface = [&](std::string_view local) {
            const std::uint32_t font = tree.Child(child, kDrawing, local);
            if (font == kNoNode) return std::string();
            return XmlUnescape(tree.Attribute(font, "", "typeface").value_or(""));
          };
          theme_.by_attribute[scheme + "Ascii"] = typeface("latin");
          theme_.by_attribute[scheme + "HAnsi"] = typeface("latin");
          theme_.by_attribute[scheme + "EastAsia"] = typeface("ea");
          theme_.by_attribute[scheme + "Bidi"] = typeface("cs");
        } else {
          self(self, child);
        }
      }
    };
    walk(walk, tree.Root());
  }

  void LoadStyles(const std::string& name) {
    styles_part_ = store_.Load(name);
    if (styles_part_ == nullptr) return;
    const XmlTree& tree = styles_part_->tree;
    for (const std::uint32_t child : tree.ChildElements(tree.Root())) {
      const XmlNode& element = tree[child];
      if (Is(element, kW, "docDefaults")) {
        const std::uint32_t defaults = tree.Child(child, kW, "rPrDefault");
        if (defaults != kNoNode) defaults_ = tree.Child(defaults, kW, "rPr");
      } else if (Is(element, kW, "style")) {
        const auto id = tree.Attribute(child, kW, "styleId");
        if (!id) continue;
        Style style;
        style.properties = tree.Child(child, kW, "rPr");
        if (const std::uint32_t based_on = tree.Child(child, kW, "basedOn"); based_on != kNoNode)
          style.based_on = XmlUnescape(tree.Attribute(based_on, kW, "val").value_or(""));
        const std::string key = XmlUnescape(*id);
        if (tree.Attribute(child, kW, "type").value_or("") == "paragraph" &&
            OnOff(tree.Attribute(child, kW, "default")) &&
            tree.Attribute(child, kW, "default").has_value())
          default_paragraph_style_ = key;
        styles_.emplace(key, style);
      }
    }
  }

  // A style's layers, its farthest ancestor first.
  void AddStyleLayers(const std::string& id, std::vector<Layer>& layers) const {
    std::vector<Layer> chain;
    std::string at = id;
    for (int depth = 0; depth < 32 && !at.empty(); ++depth) {  // a loop of basedOn ends too
      const auto found = styles_.find(at);
      if (found == styles_.end()) break;
      chain.push_back({styles_part_, found->second.properties});
      at = found->second.based_on;
    }
    layers.insert(layers.end(), chain.rbegin(), chain.rend());
  }

  // --- The stories ---

  struct Context {
    bool deleted = false;
    std::string table_style;
    std::string paragraph_style;
    std::vector<TextAtom>* atoms = nullptr;  // the paragraph being gathered, if any
  };

  void ConvertStory(const std::string& name) {
    Part* part = store_.Load(name);
    if (part == nullptr) return;
    const XmlNode& root = part->tree[part->tree.Root()];
    if (root.name.space == kStrictW)
      Fail(name, "Strict Open XML, which is not supported; save the document as a Word document");
    if (root.name.space != kW) Fail(name, "not WordprocessingML");
    records_.clear();
    sources_.clear();
    Context context;
    Walk(*part, part->tree.Root(), context);
    Rewrite(*part);
  }

  static void Break(const Context& context) {
    if (context.atoms != nullptr) context.atoms->push_back(TextAtom{});
  }

  // Walks an element whose text converts apart from the text around it.
  void WalkApart(Part& part, std::uint32_t node, Context& inner, const Context& outer) {
    Break(outer);
    Walk(part, node, inner);
    Break(outer);
  }

  void Walk(Part& part, std::uint32_t node, Context& context) {
    const XmlTree& tree = part.tree;
    for (const std::uint32_t child : tree.ChildElements(node)) {
      const XmlNode& element = tree[child];
      if (element.name.space == kW) {
        const std::string_view local = element.name.local;
        if (local == "p") {
          Break(context);
          Paragraph(part, child, context);
          continue;
        }
        if (local == "r") {
          if (context.atoms != nullptr) Run(part, child, context);
          continue;
        }
        if (local == "pPr" || local == "rPr" || local == "tblPr" || local == "sectPr" ||
            local == "instrText" || local == "delInstrText")
          continue;
        if (local == "bookmarkStart" || local == "bookmarkEnd" || local == "proofErr" ||
            local == "permStart" || local == "permEnd" || local == "commentRangeStart" ||
            local == "commentRangeEnd")
          continue;  // marks between runs: the text flows on
        if (local == "tbl") {
          Context inner = context;
          inner.atoms = nullptr;
          const std::uint32_t properties = tree.Child(child, kW, "tblPr");
          const std::uint32_t style =
              properties == kNoNode ? kNoNode : tree.Child(properties, kW, "tblStyle");
          if (style != kNoNode)
            inner.table_style = XmlUnescape(tree.Attribute(style, kW, "val").value_or(""));
          WalkApart(part, child, inner, context);
          continue;
        }
        if (local == "del" || local == "moveFrom") {
          Context inner = context;
          inner.deleted = true;
          WalkApart(part, child, inner, context);
          continue;
        }
      } else if (element.name.space == kMath) {
        Break(context);  // equations are left as they are
        continue;
      } else if (Is(element, kMarkupCompatibility, "AlternateContent")) {
        for (const std::uint32_t choice : tree.ChildElements(child)) {
          Break(context);
          Walk(part, choice, context);
        }
        Break(context);
        continue;
      }
      Walk(part, child, context);  // containers: hyperlinks, insertions, content controls ...
    }
  }

  void Paragraph(Part& part, std::uint32_t paragraph, const Context& outer) {
    const XmlTree& tree = part.tree;
    std::vector<TextAtom> atoms;
    Context context = outer;
    context.atoms = &atoms;
    context.paragraph_style = default_paragraph_style_;
    const std::uint32_t properties = tree.Child(paragraph, kW, "pPr");
    const std::uint32_t style =
        properties == kNoNode ? kNoNode : tree.Child(properties, kW, "pStyle");
    if (style != kNoNode)
      context.paragraph_style = XmlUnescape(tree.Attribute(style, kW, "val").value_or(""));
    const std::uint32_t mark = properties == kNoNode ? kNoNode : tree.Child(properties, kW, "rPr");
    if (mark != kNoNode && options_.direction == DocumentDirection::kToUnicode)
      ChangeIfMlTt({&part, mark});
    Walk(part, paragraph, context);
    Convert(atoms);
  }

  std::vector<Layer> LayersOf(Part& part, std::uint32_t run, const Context& context) const {
    const XmlTree& tree = part.tree;
    std::vector<Layer> layers;
    if (styles_part_ != nullptr) layers.push_back({styles_part_, defaults_});
    if (!context.table_style.empty()) AddStyleLayers(context.table_style, layers);
    if (!context.paragraph_style.empty()) AddStyleLayers(context.paragraph_style, layers);
    const std::uint32_t properties = tree.Child(run, kW, "rPr");
    if (properties != kNoNode) {
      const std::uint32_t style = tree.Child(properties, kW, "rStyle");
      if (style != kNoNode)
        AddStyleLayers(XmlUnescape(tree.Attribute(style, kW, "val").value_or("")), layers);
    }
    layers.push_back({&part, properties});
    return layers;
  }

  // The font a slot resolves to, and the layer that sets it (-1 for none).
  std::pair<std::string, int> SlotFont(const std::vector<Layer>& layers, Slot slot) const {
    std::pair<std::string, int> found{std::string(), -1};
    for (std::size_t i = 0; i < layers.size(); ++i) {
      if (layers[i].properties == kNoNode) continue;
      const XmlTree& tree = layers[i].part->tree;
      const std::uint32_t fonts = tree.Child(layers[i].properties, kW, "rFonts");
      if (fonts == kNoNode) continue;
      const auto theme = tree.Attribute(fonts, kW, kSlotAttributes[slot].theme);
      const auto font = tree.Attribute(fonts, kW, kSlotAttributes[slot].font);
      if (theme) {
        const auto named = theme_.by_attribute.find(*theme);
        found = {named == theme_.by_attribute.end() ? std::string() : named->second,
                 static_cast<int>(i)};
      } else if (font) {
        found = {XmlUnescape(*font), static_cast<int>(i)};
      }
    }
    return found;
  }

  // The element that last sets a property, and its layer (-1 for none).
  std::pair<std::uint32_t, int> LastSetting(const std::vector<Layer>& layers,
                                            std::string_view local) const {
    std::pair<std::uint32_t, int> found{kNoNode, -1};
    for (std::size_t i = 0; i < layers.size(); ++i) {
      if (layers[i].properties == kNoNode) continue;
      const std::uint32_t element = layers[i].part->tree.Child(layers[i].properties, kW, local);
      if (element != kNoNode) found = {element, static_cast<int>(i)};
    }
    return found;
  }

  // A property's value as its twin compares it: on/off as "1"/"0", a size as written.
  std::string EffectiveValue(const std::vector<Layer>& layers, const PropertyTwin& twin,
                             bool complex) const {
    const auto [element, layer] = LastSetting(layers, complex ? twin.complex : twin.latin);
    if (layer < 0) return std::string(twin.absent);
    const auto value =
        layers[static_cast<std::size_t>(layer)].part->tree.Attribute(element, kW, "val");
    if (twin.latin == "sz") return std::string(value.value_or(twin.absent));
    return OnOff(value) ? "1" : "0";
  }

  bool ComplexScriptRun(const std::vector<Layer>& layers) const {
    for (const std::string_view local : {"cs", "rtl"}) {
      const auto [element, layer] = LastSetting(layers, local);
      if (layer >= 0 &&
          OnOff(layers[static_cast<std::size_t>(layer)].part->tree.Attribute(element, kW, "val")))
        return true;
    }
    return false;
  }

  void Run(Part& part, std::uint32_t run, const Context& context) {
    const XmlTree& tree = part.tree;
    RunRecord record;
    record.part = &part;
    record.run = run;
    record.deleted = context.deleted;
    record.layers = LayersOf(part, run, context);
    const bool to_unicode = options_.direction == DocumentDirection::kToUnicode;
    std::array<FontReading, 3> readings{};
    if (to_unicode) {
      for (const Slot slot : {kAscii, kHAnsi, kComplex})
        readings[slot] = fonts_.Reading(SlotFont(record.layers, slot).first);
    } else {
      (void)fonts_.Reading(SlotFont(record.layers, kAscii).first);
    }
    const bool complex_run = ComplexScriptRun(record.layers);
    const auto record_index = static_cast<std::uint32_t>(records_.size());
    records_.emplace_back();  // its place, before the runs of any text box inside it
    std::vector<TextAtom>& atoms = *context.atoms;
    for (const std::uint32_t child : tree.ChildElements(run)) {
      const XmlNode& element = tree[child];
      const std::string_view local = element.name.space == kW ? element.name.local : "";
      RunChild run_child;
      run_child.node = child;
      FontReading symbol_reading = FontReading::kNone;
      if (local == "t" || local == "delText") {
        run_child.kind = ChildKind::kText;
        run_child.text = ToUtf16(tree.Text(child));
      } else if (local == "softHyphen") {
        run_child.kind = ChildKind::kSymbol;  // in an ML-TT font, the code 0xAD
        run_child.text = u"\u00AD";
      } else if (local == "sym") {
        const auto font = tree.Attribute(child, kW, "font");
        const auto code = tree.Attribute(child, kW, "char");
        const char16_t unit = code ? HexCode(*code) : char16_t{0};
        symbol_reading = font ? fonts_.Reading(XmlUnescape(*font)) : FontReading::kNone;
        // Half a surrogate pair is no character: such a symbol is left as it stands.
        if (to_unicode && symbol_reading != FontReading::kNone && unit != 0 && !IsSurrogate(unit)) {
          run_child.kind = ChildKind::kSymbol;
          run_child.text = std::u16string(1, unit);
        }
      } else if (local == "rPr" || local == "lastRenderedPageBreak") {
        continue;
      }
      if (run_child.kind == ChildKind::kOther) {
        atoms.push_back(TextAtom{});
        record.children.push_back(std::move(run_child));
        Context inner = context;  // a text box's paragraphs are paragraphs of their own
        inner.atoms = nullptr;
        Walk(part, child, inner);
        continue;
      }
      const auto source = static_cast<std::uint32_t>(sources_.size());
      sources_.emplace_back(record_index, static_cast<std::uint32_t>(record.children.size()));
      for (std::size_t i = 0; i < run_child.text.size(); ++i) {
        const char16_t unit = run_child.text[i];
        TextAtom atom;
        atom.source = source;
        atom.offset = static_cast<std::uint32_t>(i);
        atom.deleted = context.deleted;
        atom.code = unit;
        if (to_unicode) {
          const FontReading reading = run_child.kind == ChildKind::kSymbol && local == "sym"
                                          ? symbol_reading
                                      : complex_run ? readings[kComplex]
                                      : unit < 0x80 ? readings[kAscii]
                                                    : readings[kHAnsi];
          atom.convertible = reading != FontReading::kNone;
          atom.code = CodeOf(unit, reading);
        } else {
          atom.script = ClassOf(unit);
        }
        atoms.push_back(atom);
      }
      record.children.push_back(std::move(run_child));
    }
    records_[record_index] = std::move(record);
  }

  // Converts a paragraph's stretches and hands each run its part of the output.
  void Convert(std::vector<TextAtom>& atoms) {
    for (ConvertedPiece& piece : ConvertAtoms(atoms, options_, summary_)) {
      const auto [record, child] = sources_[piece.source];
      records_[record].children[child].segments.push_back(
          {piece.offset, piece.offset + piece.length, true, std::move(piece.output)});
    }
  }

  // --- Writing the converted runs back ---

  // The run properties with a change made: fonts rewritten in place, properties replaced or
  // inserted where the schema puts them, everything else (and the space between) as it was.
  std::string RunPropertiesBytes(const Part& part, std::uint32_t properties,
                                 std::string_view prefix, const PropertyChange& change) const {
    const XmlTree& tree = part.tree;
    const std::string p = prefix.empty() ? "" : std::string(prefix) + ":";
    struct Item {
      std::size_t rank;
      std::string gap;  // the bytes before the element
      std::string element;
    };
    std::vector<Item> items;
    std::map<std::string, std::string> set = change.set;
    std::string start_tag = "<" + p + "rPr>";
    std::string trailing;
    bool has_fonts = false;
    if (properties != kNoNode) {
      const XmlNode& node = tree[properties];
      start_tag = RewriteStartTag(p + "rPr", tree.Attributes(properties), {}, {}, false);
      if (!tree.IsEmptyTag(properties)) start_tag = std::string(tree.StartTag(properties));
      if (change.twins_to_complex) {
        for (const PropertyTwin& twin : kPropertyTwins) {
          const std::uint32_t latin = tree.Child(properties, kW, twin.latin);
          if (latin == kNoNode) continue;
          const auto value = tree.Attribute(latin, kW, "val");
          set[std::string(twin.complex)] = value ? std::string(*value) : std::string();
        }
      }
      std::size_t gap_from = node.content_begin;
      for (const std::uint32_t child : tree.ChildElements(properties)) {
        const XmlNode& element = tree[child];
        Item item{RunPropertyRank(element),
                  std::string(tree.Xml().substr(gap_from, element.begin - gap_from)),
                  std::string(tree.Bytes(child))};
        gap_from = element.end;
        const std::string local(element.name.space == kW ? element.name.local : "");
        if (local == "rFonts" && !change.font.empty()) {
          has_fonts = true;
          std::vector<std::string_view> drop;
          std::vector<AttributeChange> fonts;
          for (const SlotAttributes& slot : kSlotAttributes) {
            for (const XmlNodeAttribute& attribute : tree.Attributes(child))
              if (attribute.name.space == kW && attribute.name.local == slot.theme)
                drop.push_back(attribute.qualified);
            fonts.push_back({p + std::string(slot.font), XmlEscape(change.font, true)});
          }
          item.element = RewriteStartTag(p + "rFonts", tree.Attributes(child), drop, fonts, true);
        }
        if (const auto value = set.find(local); value != set.end()) {
          item.element = ValueElement(p, local, value->second);
          set.erase(value);
        }
        items.push_back(std::move(item));
      }
      if (!tree.IsEmptyTag(properties))
        trailing = std::string(tree.Xml().substr(gap_from, node.content_end - gap_from));
    }
    if (!change.font.empty() && !has_fonts) {
      std::string fonts = "<" + p + "rFonts";
      for (const SlotAttributes& slot : kSlotAttributes)
        fonts += " " + p + std::string(slot.font) + "=\"" + XmlEscape(change.font, true) + "\"";
      items.push_back({RunPropertyRank("rFonts"), {}, fonts + "/>"});
    }
    for (const auto& [local, value] : set)
      items.push_back({RunPropertyRank(local), {}, ValueElement(p, local, value)});
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.rank < b.rank; });
    std::string bytes = start_tag;
    for (const Item& item : items) bytes += item.gap + item.element;
    return bytes + trailing + "</" + p + "rPr>";
  }

  static std::string ValueElement(const std::string& p, const std::string& local,
                                  const std::string& value) {
    if (value.empty()) return "<" + p + local + "/>";
    return "<" + p + local + " " + p + "val=\"" + value + "\"/>";
  }

  // The run's own property change, and the changes of the styles it takes its font from.
  void PlanFonts(RunRecord& record) {
    const std::vector<Layer>& layers = record.layers;
    const std::size_t own = layers.size() - 1;
    if (options_.direction == DocumentDirection::kToMlTt) {
      record.change.font = options_.ml_tt_font;
      if (!ComplexScriptRun(layers)) {
        for (const PropertyTwin& twin : kPropertyTwins) {
          const std::string complex = EffectiveValue(layers, twin, true);
          if (complex != EffectiveValue(layers, twin, false))
            record.change.set[std::string(twin.latin)] = complex == "1" ? "" : complex;
        }
      }
      return;
    }
    int latest_source = -1;
    for (const Slot slot : {kAscii, kHAnsi}) {
      const auto [font, layer] = SlotFont(layers, slot);
      if (layer < 0 || fonts_.Reading(font) == FontReading::kNone) continue;
      latest_source = std::max(latest_source, layer);
      if (static_cast<std::size_t>(layer) == own) {
        record.change.font = options_.unicode_font;
      } else {
        StyleChange(layers[static_cast<std::size_t>(layer)]).font = options_.unicode_font;
      }
    }
    // A complex-script font set after the ML-TT one would draw the Malayalam: the run's own.
    if (SlotFont(layers, kComplex).second > latest_source || latest_source < 0)
      record.change.font = options_.unicode_font;
    for (std::size_t i = 0; i < own; ++i)
      if (layers[i].properties != kNoNode) StyleChange(layers[i]).twins_to_complex = true;
    record.change.twins_to_complex = true;
  }

  // Run properties of a style, or of a paragraph's mark, that set an ML-TT font themselves get
  // the Unicode font and the complex-script twins.
  void ChangeIfMlTt(const Layer& layer) {
    for (const Slot slot : {kAscii, kHAnsi}) {
      const auto [font, set_at] = SlotFont({layer}, slot);
      if (set_at < 0 || fonts_.Reading(font) == FontReading::kNone) continue;
      PropertyChange& change = StyleChange(layer);
      change.font = options_.unicode_font;
      change.twins_to_complex = true;
    }
  }

  PropertyChange& StyleChange(const Layer& layer) {
    return style_changes_[{layer.part, layer.properties}];
  }

  void Rewrite(Part& part) {
    const XmlTree& tree = part.tree;
    for (RunRecord& record : records_) {
      bool any = false;
      for (const RunChild& child : record.children) any = any || !child.segments.empty();
      if (!any) continue;
      ++summary_.runs;
      PlanFonts(record);
      const XmlNode& run = tree[record.run];
      const std::uint32_t properties = tree.Child(record.run, kW, "rPr");
      const std::string prefix(run.prefix);
      const std::string p = prefix.empty() ? "" : prefix + ":";
      const std::string original =
          properties == kNoNode ? std::string() : std::string(tree.Bytes(properties));
      const std::string converted =
          record.change.Empty() ? original
                                : RunPropertiesBytes(part, properties, prefix, record.change);
      const auto split = [&](bool to_converted) {
        return "</" + p + "r>" + std::string(tree.StartTag(record.run)) +
               (to_converted ? converted : original);
      };
      // The labels of the run's content, in order: converted or not.
      std::optional<bool> current;
      const auto text_element = [&](const RunChild& child, std::u16string_view text) {
        const std::string name = p + (record.deleted ? "delText" : "t");
        std::string bytes = "<" + name;
        if (!text.empty() && (text.front() == u' ' || text.back() == u' ' ||
                              text.find(u"  ") != std::u16string_view::npos))
          bytes += " xml:space=\"preserve\"";
        if (child.kind == ChildKind::kText &&
            tree.Attribute(child.node, "http://www.w3.org/XML/1998/namespace", "space"))
          bytes = "<" + name + " xml:space=\"preserve\"";
        return bytes + ">" + EscapeText(text) + "</" + name + ">";
      };
      for (RunChild& child : record.children) {
        if (child.kind == ChildKind::kOther) {
          if (!current) current = false;  // joined to what comes before it
          continue;
        }
        // Fills the gaps between converted segments with the text as it was.
        std::sort(child.segments.begin(), child.segments.end(),
                  [](const Segment& a, const Segment& b) { return a.begin < b.begin; });
        std::vector<Segment> all;
        std::size_t at = 0;
        for (Segment& segment : child.segments) {
          if (segment.begin > at) all.push_back({at, segment.begin, false, {}});
          at = segment.end;
          all.push_back(std::move(segment));
        }
        if (at < child.text.size()) all.push_back({at, child.text.size(), false, {}});
        std::string bytes;
        bool split_inside = false;
        for (const Segment& segment : all) {
          if (!current) {
            current = segment.converted;
            if (segment.converted && converted != original) {
              if (properties != kNoNode) {
                part.edits.Replace(tree[properties].begin, tree[properties].end, converted);
              } else {
                part.edits.Insert(run.content_begin, converted);
              }
            }
          } else if (*current != segment.converted) {
            bytes += split(segment.converted);
            current = segment.converted;
            split_inside = true;
          }
          const std::u16string_view text =
              segment.converted ? std::u16string_view(segment.output)
                                : std::u16string_view(child.text)
                                      .substr(segment.begin, segment.end - segment.begin);
          if (!text.empty()) bytes += text_element(child, text);
        }
        const bool untouched = all.size() == 1 && !all.front().converted && !split_inside;
        if (!untouched) part.edits.Replace(tree[child.node].begin, tree[child.node].end, bytes);
      }
    }
  }

  void ApplyStyleChanges() {
    for (const auto& [where, change] : style_changes_) {
      Part* const part = where.first;
      const std::uint32_t properties = where.second;
      const XmlNode& node = part->tree[properties];
      part->edits.Replace(node.begin, node.end,
                          RunPropertiesBytes(*part, properties, node.prefix, change));
    }
  }

  const DocumentOptions& options_;
  PartStore store_;
  FontClasses fonts_;
  DocumentSummary summary_;
  ThemeFonts theme_;
  Part* styles_part_ = nullptr;
  std::uint32_t defaults_ = kNoNode;
  std::string default_paragraph_style_;
  std::map<std::string, Style, std::less<>> styles_;
  std::vector<RunRecord> records_;                                // of the story being converted
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sources_;  // atoms' texts: record, child
  std::map<std::pair<Part*, std::uint32_t>, PropertyChange> style_changes_;
};

}  // namespace

PartsConversion ConvertDocx(const ReadPart& read, const DocumentOptions& options) {
  return DocxConverter(read, options).Run();
}

}  // namespace lipimattam
