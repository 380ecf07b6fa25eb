// The main window: paste Unicode Malayalam on the left, convert, copy the ML-TTRevathi text
// on the right.
#pragma once

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <utility>

#include "ui/exact_text_edit.h"

namespace lipimattam {

// The window keeps its controls' names and handlers: frmMain with Frame1 (TextBox1,
// cmdConvert) and Frame2 (TextBox2).
class frmMain : public QWidget {  // NOLINT(readability-identifier-naming): the window's name
 public:
  explicit frmMain(QWidget* parent = nullptr);

  void Form_Load();
  void cmdConvert_Click();
  void Form_KeyDown(int key_code, Qt::KeyboardModifiers modifiers);
  void Form_KeyPress(int character_code);

  [[nodiscard]] bool IsConverting() const { return converting_; }

  // What ends the program once the user chose to quit; the application's event loop ends by
  // default.
  void SetEndProgram(std::function<void()> end_program) { end_program_ = std::move(end_program); }

  QGroupBox* Frame1;
  ExactTextEdit* TextBox1;
  QPushButton* cmdConvert;
  QGroupBox* Frame2;
  ExactTextEdit* TextBox2;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Progress;
  friend class Progress;

  void HandleKey(const QKeyEvent& key);
  void RunPass();
  void EndProgram();

  std::function<void()> end_program_ = [] { QCoreApplication::exit(0); };
  bool converting_ = false;
  bool convert_again_ = false;  // a Convert request came while a pass ran
  bool ending_ = false;         // the user chose to quit, or closed the window, during a pass
};

}  // namespace lipimattam
