#include "ui/exact_text_edit.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace lipimattam {
namespace {

// The units of the line break that ends a paragraph.
class LineBreak : public QTextBlockUserData {
 public:
  explicit LineBreak(QString units) : units_(std::move(units)) {}
  [[nodiscard]] const QString& Units() const { return units_; }

 private:
  QString units_;
};

QString LineBreakAfter(const QTextBlock& block) {
  if (const auto* line_break = dynamic_cast<const LineBreak*>(block.userData()))
    return line_break->Units();
  return QStringLiteral("\n");
}

void SetLineBreakAfter(QTextBlock block, const QString& units) {
  block.setUserData(new LineBreak(units));  // the block owns its data
}

// The length of the line break starting at `at`, or 0.
qsizetype LineBreakLength(QStringView text, qsizetype at) {
  const char16_t unit = text[at].unicode();
  if (unit == u'\r') return at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
  return unit == u'\n' || unit == 0x2029 ? 1 : 0;
}

// Units that a document would take as the start or end of a frame show as U+FFFD instead.
// They are noncharacters, never in text for people.
QString Displayable(QStringView text) {
  QString shown = text.toString();
  for (QChar& unit : shown) {
    const char16_t value = unit.unicode();
    if (value == 0xFDD0 || value == 0xFDD1 || value == 0xFDEF) unit = QChar(0xFFFD);
  }
  return shown;
}

}  // namespace

ExactTextEdit::ExactTextEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void ExactTextEdit::InsertExact(QTextCursor& cursor, QStringView text) {
  const QString break_after_cursor = LineBreakAfter(cursor.block());
  qsizetype start = 0;
  for (qsizetype at = 0; at < text.size();) {
    const qsizetype length = LineBreakLength(text, at);
    if (length == 0) {
      ++at;
      continue;
    }
    cursor.insertText(Displayable(text.sliced(start, at - start)));
    cursor.insertBlock();
    SetLineBreakAfter(cursor.block().previous(), text.sliced(at, length).toString());
    at += length;
    start = at;
  }
  cursor.insertText(Displayable(text.sliced(start)));
  SetLineBreakAfter(cursor.block(), break_after_cursor);
}

void ExactTextEdit::SetExactText(QStringView text) {
  clear();
  shown_.clear();
  QTextCursor cursor(document());
  InsertExact(cursor, text);
}

QString ExactTextEdit::ExactText(int from, int to) const {
  QString text;
  for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    const int block_start = block.position();
    const int block_end = block_start + block.length() - 1;  // the break's position
    const int piece_start = std::max(from, block_start);
    const int piece_end = std::min(to, block_end);
    if (piece_end > piece_start)
      text += QStringView(block.text()).sliced(piece_start - block_start, piece_end - piece_start);
    if (to > block_end && block.next().isValid()) text += LineBreakAfter(block);
  }
  return text;
}

QString ExactTextEdit::ExactText() const {
  return ExactText(0, document()->characterCount() - 1);
}

void ExactTextEdit::ShowText(QStringView text) {
  const auto mismatch = std::mismatch(shown_.cbegin(), shown_.cend(), text.begin(), text.end());
  auto kept = static_cast<qsizetype>(mismatch.first - shown_.cbegin());
  // Never keep half of a CR LF: the break is rewritten whole.
  if (kept > 0 && shown_[kept - 1] == u'\r') --kept;
  const QStringView kept_text = QStringView(shown_).first(kept);
  const auto document_position = static_cast<int>(kept - kept_text.count(u"\r\n"));

  QTextCursor cursor(document());
  cursor.beginEditBlock();
  cursor.setPosition(document_position);
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  SetLineBreakAfter(cursor.block(), QStringLiteral("\n"));
  InsertExact(cursor, text.sliced(kept));
  cursor.endEditBlock();
  shown_ = text.toString();
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
  InsertExact(cursor, source->text());
  cursor.endEditBlock();
  setTextCursor(cursor);
}

}  // namespace lipimattam
