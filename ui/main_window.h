// The main window: paste Unicode Malayalam in the input box, convert, copy the ML-TTRevathi
// text from the output box.
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

// Two frames side by side: the input box and the convert button on the left, the output box
// on the right. Each control keeps its own object name (frmMain, Frame1, TextBox1, cmdConvert,
// Frame2, TextBox2), by which UI automation finds it. F5 converts and Esc asks whether to quit,
// whichever control has the focus.
class MainWindow : public QWidget {
 public:
  explicit MainWindow(QWidget* parent = nullptr);

  // Puts the focus in the input box, as the window does when it first shows.
  void FocusInput();
  // Converts the input box into the output box. The window stays responsive while it runs; a
  // second request during a pass converts again, once, when the pass ends. Running out of
  // memory leaves the output box empty and the input box as it was, and says so.
  void Convert();
  // Asks whether to quit, and ends the program on Yes.
  void AskToQuit();

  [[nodiscard]] bool IsConverting() const { return converting_; }

  // What ends the program once the user chose to quit; the application's event loop ends by
  // default.
  void SetEndProgram(std::function<void()> end_program) { end_program_ = std::move(end_program); }

  [[nodiscard]] QGroupBox* InputFrame() const { return input_frame_; }
  [[nodiscard]] ExactTextEdit* InputBox() const { return input_box_; }
  [[nodiscard]] QPushButton* ConvertButton() const { return convert_button_; }
  [[nodiscard]] QGroupBox* OutputFrame() const { return output_frame_; }
  [[nodiscard]] ExactTextEdit* OutputBox() const { return output_box_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Progress;
  friend class Progress;

  void HandleKey(const QKeyEvent& key);
  void RunPass();
  // Says that a pass ran out of memory, in a message box.
  void ReportOutOfMemory();
  void EndProgram();

  QGroupBox* input_frame_ = nullptr;
  ExactTextEdit* input_box_ = nullptr;
  QPushButton* convert_button_ = nullptr;
  QGroupBox* output_frame_ = nullptr;
  ExactTextEdit* output_box_ = nullptr;

  std::function<void()> end_program_ = [] { QCoreApplication::exit(0); };
  bool converting_ = false;
  bool convert_again_ = false;  // a Convert request came while a pass ran
  bool ending_ = false;         // the user chose to quit, or closed the window, during a pass
};

}  // namespace lipimattam
