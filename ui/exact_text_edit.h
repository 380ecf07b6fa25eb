// A plain-text box that gives back exactly the UTF-16 text put into it, line breaks included,
// and stays quick with texts of many megabytes.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

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

  explicit ExactTextEdit(QWidget* parent = nullptr);

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
};

}  // namespace lipimattam
