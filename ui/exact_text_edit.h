// A plain-text box that gives back exactly the UTF-16 text put into it, line breaks included.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

namespace lipimattam {

// A text document turns CR LF, a lone CR, U+2028 and U+2029 into one kind of paragraph break.
// This box remembers, for every paragraph, the units of the break that ended it, so ExactText,
// a copy of a selection and a paste keep every code unit.
class ExactTextEdit : public QPlainTextEdit {
 public:
  explicit ExactTextEdit(QWidget* parent = nullptr);

  void SetExactText(QStringView text);
  [[nodiscard]] QString ExactText() const;

  // Makes the box show `text`, rewriting only what differs from what it shows now: the
  // common beginning stays laid out as it is.
  void ShowText(QStringView text);

 protected:
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // The exact units between two positions of the document.
  [[nodiscard]] QString ExactText(int from, int to) const;
  // Inserts `text` at the cursor, breaking paragraphs where it has line breaks.
  void InsertExact(QTextCursor& cursor, QStringView text);

  QString shown_;  // what ShowText last made visible
};

}  // namespace lipimattam
