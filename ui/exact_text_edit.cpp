#include "ui/exact_text_edit.h"

#include <QFontMetrics>
#include <QMimeData>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

namespace lipimattam {
namespace {

// What a separator of the document stands for in the text: a line break, U+2028 itself, or
// nothing at all (a cut made only so that no paragraph is too long to lay out quickly). A
// paragraph's ending is kept as its block's user state, which is -1 (a plain LF) for a block
// that nothing set.
enum class Break : int {
  kLineFeed = -1,
  kCarriageReturn,
  kCrLf,
  kParagraphSeparator,
  kLineSeparator,
  kCut,
};

QString UnitsOf(Break kind) {
  switch (kind) {
    case Break::kLineFeed:
      return QStringLiteral("\n");
    case Break::kCarriageReturn:
      return QStringLiteral("\r");
    case Break::kCrLf:
      return QStringLiteral("\r\n");
    case Break::kParagraphSeparator:
      return QString(QChar::ParagraphSeparator);
    case Break::kLineSeparator:
      return QString(QChar::LineSeparator);
    case Break::kCut:
      break;
  }
  return {};
}

Break BreakAfter(const QTextBlock& block) {
  const int state = block.userState();
  return state >= static_cast<int>(Break::kCarriageReturn) && state <= static_cast<int>(Break::kCut)
             ? static_cast<Break>(state)
             : Break::kLineFeed;
}

void SetBreakAfter(QTextBlock block, Break kind) {
  block.setUserState(static_cast<int>(kind));
}

// What a paragraph's text holds besides plain units: what each U+2028 of it stands for, when
// it holds several lines; and where a unit U+F021..U+F0FF is itself, not the display copy of
// a glyph code.
class BlockText : public QTextBlockUserData {
 public:
  BlockText(std::vector<Break> line_breaks, std::vector<qsizetype> units_themselves)
      : lines(std::move(line_breaks)), private_use_units(std::move(units_themselves)) {}
  std::vector<Break> lines;
  std::vector<qsizetype> private_use_units;  // positions in the paragraph, ascending
};

// The line break starting at `at`, and its length; length 0 for none. U+2028 is a line break
// inside a paragraph, which the document keeps as text.
std::pair<Break, qsizetype> LineBreakAt(QStringView text, qsizetype at) {
  switch (text[at].unicode()) {
    case u'\r':
      if (at + 1 < text.size() && text[at + 1] == u'\n') return {Break::kCrLf, 2};
      return {Break::kCarriageReturn, 1};
    case u'\n':
      return {Break::kLineFeed, 1};
    case 0x2029:
      return {Break::kParagraphSeparator, 1};
    default:
      return {Break::kCut, 0};
  }
}

bool IsFrameMarker(QChar unit) {
  return unit == QChar(0xFDD0) || unit == QChar(0xFDD1) || unit == QChar(0xFDEF);
}

// The text as the document takes it, and what each of its separators stands for, in order.
// A paragraph ends at every line break (U+2029); or, with `join_lines`, lines are joined by
// U+2028 into paragraphs of some thousand units, so that a huge text makes few paragraphs.
// Units that a document would take as the start or end of a frame show as U+FFFD: they are
// noncharacters, never in text for people.
struct DocumentText {
  QString shown;
  std::vector<Break> breaks;
  std::vector<qsizetype> private_use_units;  // where `shown` holds a unit U+F0xx itself
};

DocumentText ToDocumentText(QStringView text, bool join_lines) {
  constexpr qsizetype kJoinedBlock = ExactTextEdit::kLongestBlock / 2;
  DocumentText document;
  document.shown.reserve(text.size() + text.size() / ExactTextEdit::kLongestBlock + 1);
  qsizetype block_length = 0;
  const auto separate = [&](QChar separator, Break kind) {
    document.shown += separator;
    document.breaks.push_back(kind);
    block_length = separator == QChar::ParagraphSeparator ? 0 : block_length + 1;
  };
  const auto is_special = [join_lines](QStringView units, qsizetype at) {
    return LineBreakAt(units, at).second != 0 || IsFrameMarker(units[at]) ||
           (join_lines && units[at] == QChar::LineSeparator);
  };
  for (qsizetype at = 0; at < text.size();) {
    // The run of plain units up to the next line break, frame marker or cut.
    const qsizetype limit = std::min(text.size(), at + ExactTextEdit::kLongestBlock - block_length);
    qsizetype run_end = at;
    while (run_end < limit && !is_special(text, run_end)) ++run_end;
    document.shown += text.sliced(at, run_end - at);
    block_length += run_end - at;
    at = run_end;
    if (at == text.size()) break;
    if (const auto [kind, length] = LineBreakAt(text, at); length != 0) {
      const bool joined = join_lines && block_length < kJoinedBlock;
      separate(joined ? QChar::LineSeparator : QChar::ParagraphSeparator, kind);
      at += length;
    } else if (IsFrameMarker(text[at])) {
      document.shown += QChar::ReplacementCharacter;
      ++block_length;
      ++at;
    } else if (text[at] == QChar::LineSeparator) {
      separate(QChar::LineSeparator, Break::kLineSeparator);
      ++at;
    } else {
      // A line too long to lay out quickly: cut after its last space near the limit, or at
      // the limit, never inside a surrogate pair.
      qsizetype cut = document.shown.size();
      const QStringView tail =
          QStringView(document.shown).last(std::min<qsizetype>(256, block_length));
      if (const qsizetype space = tail.lastIndexOf(u' '); space >= 0) {
        cut = document.shown.size() - tail.size() + space + 1;
      } else if (text[at].isLowSurrogate()) {
        cut = document.shown.size() - 1;
      }
      const QString moved = document.shown.sliced(cut);
      document.shown.truncate(cut);
      separate(QChar::ParagraphSeparator, Break::kCut);
      document.shown += moved;
      block_length = moved.size();
    }
  }
  return document;
}

// Shows each glyph code that has a display copy at U+F000 + code, and notes where the text
// itself holds such a unit.
void ShowDisplayCopies(DocumentText& document, const ExactTextEdit::CodeSet& copied) {
  QChar* unit = document.shown.data();
  for (qsizetype at = 0; at < document.shown.size(); ++at, ++unit) {
    const char16_t value = unit->unicode();
    if (value <= 0xFF && copied[value]) {
      *unit = QChar(static_cast<char16_t>(ExactTextEdit::kDisplayCopy + value));
    } else if (value >= ExactTextEdit::kDisplayCopy &&
               value <= ExactTextEdit::kDisplayCopy + 0xFF &&
               copied[value - ExactTextEdit::kDisplayCopy]) {
      document.private_use_units.push_back(at);
    }
  }
}

}  // namespace

ExactTextEdit::ExactTextEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void ExactTextEdit::ShowCodesAsDisplayCopies(const QFont& font) {
  const QFontMetrics metrics(font);
  shows_display_copies_ = false;
  for (char16_t code = 0; code <= 0xFF; ++code) {
    display_copies_[code] = code > 0x20 && metrics.inFontUcs4(kDisplayCopy + code);
    shows_display_copies_ = shows_display_copies_ || display_copies_[code];
  }
}

void ExactTextEdit::InsertExact(QTextCursor& cursor, QStringView text, bool join_lines) {
  DocumentText document_text = ToDocumentText(text, join_lines);
  if (shows_display_copies_) ShowDisplayCopies(document_text, display_copies_);
  const Break break_after_cursor = BreakAfter(cursor.block());
  const int first_block = cursor.blockNumber();
  const qsizetype first_position = cursor.positionInBlock();
  cursor.insertText(document_text.shown);
  // Each paragraph from the cursor's on: its lines, its units U+F0xx, the break that ends it.
  auto next_break = document_text.breaks.cbegin();
  auto next_private_use = document_text.private_use_units.cbegin();
  qsizetype block_start = -first_position;  // where the paragraph begins in `shown`
  for (QTextBlock block = document()->findBlockByNumber(first_block); block.isValid();
       block = block.next()) {
    const qsizetype block_end = block_start + block.length() - 1;
    std::vector<Break> lines;
    if (join_lines) {
      const auto count = static_cast<std::ptrdiff_t>(block.text().count(QChar::LineSeparator));
      lines.assign(next_break, next_break + count);
      next_break += count;
    }
    std::vector<qsizetype> private_use;
    for (; next_private_use != document_text.private_use_units.cend() &&
           *next_private_use < block_end;
         ++next_private_use)
      private_use.push_back(*next_private_use - block_start);
    if (!lines.empty() || !private_use.empty())
      block.setUserData(new BlockText(std::move(lines), std::move(private_use)));
    if (next_break == document_text.breaks.cend()) break;  // the last paragraph inserted
    SetBreakAfter(block, *next_break++);
    block_start = block_end + 1;
  }
  SetBreakAfter(cursor.block(), break_after_cursor);
}

void ExactTextEdit::SetExactText(QStringView text) {
  QTextDocument* text_document = document();
  const bool undo = text_document->isUndoRedoEnabled();
  text_document->setUndoRedoEnabled(false);  // which also forgets the history
  clear();
  QTextCursor cursor(text_document);
  // Joined lines are only for a box that is never edited: an edit could not keep them apart.
  InsertExact(cursor, text, isReadOnly() && text.size() > kJoinLinesAbove);
  text_document->setUndoRedoEnabled(undo);
}

QString ExactTextEdit::ExactText(int from, int to) const {
  QString text;
  // A separator is one character of the document and at most two units of the text.
  text.reserve(std::max(0, to - from) + document()->blockCount());
  for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    const int block_start = block.position();
    const int block_end = block_start + block.length() - 1;  // the paragraph's end
    const int piece_start = std::max(from, block_start);
    const int piece_end = std::min(to, block_end);
    if (piece_end > piece_start) {
      const QString block_text = block.text();
      const QStringView piece =
          QStringView(block_text).sliced(piece_start - block_start, piece_end - piece_start);
      if (block.userData() == nullptr && !shows_display_copies_) {
        text += piece;
      } else {
        AppendExact(text, piece, piece_start - block_start, block_text, block.userData());
      }
    }
    if (to > block_end && block.next().isValid()) text += UnitsOf(BreakAfter(block));
  }
  return text;
}

void ExactTextEdit::AppendExact(QString& text, QStringView piece, qsizetype offset,
                                QStringView block_text,
                                const QTextBlockUserData* block_data) const {
  const auto* extra = dynamic_cast<const BlockText*>(block_data);
  static const std::vector<Break> kNoLines;
  static const std::vector<qsizetype> kNoUnits;
  const std::vector<Break>& lines = extra != nullptr ? extra->lines : kNoLines;
  const std::vector<qsizetype>& units = extra != nullptr ? extra->private_use_units : kNoUnits;
  auto line = static_cast<std::size_t>(block_text.first(offset).count(QChar::LineSeparator));
  auto unit_itself = std::lower_bound(units.begin(), units.end(), offset);
  for (qsizetype i = 0; i < piece.size(); ++i) {
    const char16_t value = piece[i].unicode();
    if (value == QChar::LineSeparator && !lines.empty()) {
      text += UnitsOf(lines[line++]);
    } else if (shows_display_copies_ && value >= kDisplayCopy && value <= kDisplayCopy + 0xFF) {
      const bool itself = unit_itself != units.end() && *unit_itself == offset + i;
      if (itself) ++unit_itself;
      text += itself ? QChar(value) : QChar(static_cast<char16_t>(value - kDisplayCopy));
    } else {
      text += QChar(value);
    }
  }
}

QString ExactTextEdit::ExactText() const {
  return ExactText(0, document()->characterCount() - 1);
}

QMimeData* ExactTextEdit::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  auto* mime = new QMimeData;
  mime->setText(ExactText(cursor.selectionStart(), cursor.selectionEnd()));
  return mime;
}

bool ExactTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText();
}

void ExactTextEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText() || isReadOnly()) return;
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  InsertExact(cursor, source->text(), false);
  cursor.endEditBlock();
  setTextCursor(cursor);
}

}  // namespace lipimattam
