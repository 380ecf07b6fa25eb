// A plain-text box that gives back exactly the UTF-16 text put into it, line breaks included,
// and stays quick with texts of many megabytes.
#pragma once

#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QStringView>
#include <QTextBlockUserData>

#include <array>

namespace lipimattam {

// A text document turns CR LF, a lone CR, LF and U+2029 into one kind of paragraph break.
// This box remembers, for every paragraph, the units of the break that ended it, so ExactText,
// a copy of a selection and a paste keep every code unit.
//
// Laying out a paragraph costs time in its whole length, and each paragraph costs the document
// time to keep: a line longer than kLongestBlock units is shown as several paragraphs, cut
// where the box would wrap anyway, and a read-only box given more than kJoinLinesAbove units
// joins lines into paragraphs of some thousand units, each line break then shown as U+2028.
// The cuts hold no units of the text; every joined break is remembered with its paragraph.
class ExactTextEdit : public QPlainTextEdit {
 public:
  static constexpr qsizetype kLongestBlock = 4096;
  static constexpr qsizetype kJoinLinesAbove = qsizetype{1} << 22;
  static constexpr char16_t kDisplayCopy = 0xF000;
  using CodeSet = std::array<bool, 0x100>;

  explicit ExactTextEdit(QWidget* parent = nullptr);

  // From now on shows each glyph code 0x21..0xFF that `font` draws at U+F000 + code as that
  // character: a display font that draws the codes there, where they are letters to the line
  // breaker and no code is taken for a soft hyphen. ExactText and Copy give the codes, and a
  // unit U+F0xx of the text stays itself.
  void ShowCodesAsDisplayCopies(const QFont& font);

  // Replaces the whole text in one insertion, with no undo history.
  void SetExactText(QStringView text);
  [[nodiscard]] QString ExactText() const;

 protected:
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // The exact units between two positions of the document.
  [[nodiscard]] QString ExactText(int from, int to) const;
  // Inserts `text` at the cursor in one insertion, breaking paragraphs where it has line
  // breaks (or, with `join_lines`, every few thousand units) and where a line is too long to
  // lay out quickly.
  void InsertExact(QTextCursor& cursor, QStringView text, bool join_lines);
  // Appends the units that `piece`, at `offset` in its paragraph, stands for.
  void AppendExact(QString& text, QStringView piece, qsizetype offset, QStringView block_text,
                   const QTextBlockUserData* block_data) const;

  CodeSet display_copies_{};
  bool shows_display_copies_ = false;
};

}  // namespace lipimattam
