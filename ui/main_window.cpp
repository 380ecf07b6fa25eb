#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollBar>

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include <lipimattam/convert.h>

namespace lipimattam {
namespace {

constexpr const char* kDisplayFont = "Lipimattam ML-TT";
// The pass yields to the window's pending events after this many code units: often enough
// that a key is answered at once, seldom enough that yielding costs little beside converting.
constexpr std::size_t kUnitsPerYield = 64;
// How often the output box shows the growing text while a pass runs: about 30 times a second
// while it is short; once it is long, only when it has doubled, so that showing it costs no
// more in all than showing the final text twice; and not at all past two million units, of
// which the disabled box shows only the first screenful anyway.
constexpr qint64 kRefreshNanoseconds = 33'000'000;
constexpr std::size_t kShortText = 1 << 16;
constexpr std::size_t kLongestShownDuringPass = 1 << 21;

// Thrown from the progress hook to leave a pass when the program ends during it.
struct PassAbandoned {};

std::u16string_view Utf16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QStringView View(std::u16string_view text) {
  return {reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())};
}

// Makes a control with its name at its place in its parent.
template <typename Control, typename... Arguments>
Control* Place(QWidget* parent, const char* name, const QRect& geometry, Arguments&&... arguments) {
  auto* control = new Control(std::forward<Arguments>(arguments)..., parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

// A regular font: neither bold nor italic, not underlined, not struck through.
QFont FontOf(const QString& family, qreal points) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

}  // namespace

// The window's side of a pass: the output box is disabled while the pass runs and shows the
// text so far from time to time; pending events run every few code units.
class MainWindow::Progress : public ConvertProgress {
 public:
  explicit Progress(MainWindow& window) : window_(window) { since_refresh_.start(); }

  void UnitStarting() override {
    if (window_.output_box_->isEnabled()) window_.output_box_->setEnabled(false);
  }

  void UnitPlaced(std::u16string_view output_so_far) override {
    if (++units_ % kUnitsPerYield != 0) return;
    const std::size_t size = output_so_far.size();
    if (size <= kLongestShownDuringPass && since_refresh_.nsecsElapsed() >= kRefreshNanoseconds &&
        (size < kShortText || size >= 2 * shown_size_)) {
      window_.output_box_->SetExactText(View(output_so_far));
      shown_size_ = size;
      since_refresh_.restart();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (window_.ending_) throw PassAbandoned{};
  }

  // The box stays disabled between code units, where no event runs; the pass enables it at
  // its end.
  void UnitFinished() override {}

 private:
  MainWindow& window_;
  QElapsedTimer since_refresh_;
  std::size_t units_ = 0;
  std::size_t shown_size_ = 0;
};

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QCoreApplication::translate("MainWindow", "Convert Unicode to ML"));
  setFixedSize(776, 454);  // the client area; resizing would move no control anyway

  // The layout, in pixels at 96 dots per inch (Qt scales them on other screens).
  input_frame_ =
      Place<QGroupBox>(this, "Frame1", {8, 8, 377, 433},
                       QCoreApplication::translate(
                           "MainWindow", "Paste Malayalam Unicode Text and click Convert Button"));
  input_box_ = Place<ExactTextEdit>(input_frame_, "TextBox1", {8, 16, 353, 369});
  convert_button_ = Place<QPushButton>(input_frame_, "cmdConvert", {8, 400, 81, 25},
                                       QCoreApplication::translate("MainWindow", "&Convert"));
  output_frame_ =
      Place<QGroupBox>(this, "Frame2", {392, 8, 377, 433},
                       QCoreApplication::translate(
                           "MainWindow", "Copy the converted Text by pressing rightmouse button"));
  output_box_ = Place<ExactTextEdit>(output_frame_, "TextBox2", {8, 16, 361, 409});

  input_box_->setFont(FontOf(QStringLiteral("AnjaliOldLipi"), 15.75));
  input_box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  input_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  input_box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  input_box_->setTabChangesFocus(true);

  connect(convert_button_, &QPushButton::clicked, this, &MainWindow::Convert);

  // The font the encoding was made for, where the machine has it; else the display font,
  // which draws the codes at U+F000 + code.
  const bool has_revathi = QFontDatabase::hasFamily(QStringLiteral("ML-TTRevathi"));
  output_box_->setFont(
      FontOf(has_revathi ? QStringLiteral("ML-TTRevathi") : QString(kDisplayFont), 14.25));
  if (!has_revathi) output_box_->ShowCodesAsDisplayCopies(output_box_->font());
  output_box_->setReadOnly(true);
  output_box_->setUndoRedoEnabled(false);
  output_box_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  output_box_->setTabChangesFocus(true);

  setTabOrder(input_box_, convert_button_);
  setTabOrder(convert_button_, output_box_);

  // F5 and Esc act whichever control has the focus.
  for (QWidget* control :
       {static_cast<QWidget*>(input_box_), static_cast<QWidget*>(convert_button_),
        static_cast<QWidget*>(output_box_)})
    control->installEventFilter(this);
}

// F5 converts, with any modifier keys held; Esc asks whether to quit.
void MainWindow::HandleKey(const QKeyEvent& key) {
  if (key.key() == Qt::Key_F5) Convert();
  if (key.key() == Qt::Key_Escape) AskToQuit();
}

// Keys reach the window itself only when none of its controls has the focus, or when a
// control passed them up, which its filter has handled already.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  const QWidget* focus = focusWidget();
  if (focus == nullptr || focus == this) HandleKey(*event);
  QWidget::keyPressEvent(event);
}

void MainWindow::FocusInput() {
  input_box_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::Convert() {
  if (converting_) {
    convert_again_ = true;  // runs once the pass in hand ends, over the input as it is then
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  converting_ = true;
  do {
    convert_again_ = false;
    try {
      RunPass();
    } catch (const PassAbandoned&) {
      convert_again_ = false;
    } catch (const std::bad_alloc&) {
      // The text in the input box is untouched; the half-made output goes, and the memory with
      // it, before the message is shown.
      convert_again_ = false;
      output_box_->SetExactText(QString());
      ReportOutOfMemory();
    }
  } while (convert_again_ && !ending_);
  converting_ = false;
  output_box_->setEnabled(true);
  QApplication::restoreOverrideCursor();
  if (ending_) end_program_();
}

void MainWindow::RunPass() {
  output_box_->SetExactText(QString());
  const QString input = input_box_->ExactText();
  Progress progress(*this);
  const std::u16string output = ConvertText(Utf16(input), progress);
  output_box_->SetExactText(View(output));
}

void MainWindow::ReportOutOfMemory() {
  QMessageBox message(
      QMessageBox::Warning, QApplication::applicationDisplayName(),
      QCoreApplication::translate("MainWindow",
                                  "There is not enough memory to convert this text. The text you "
                                  "pasted is kept; convert it in smaller parts."),
      QMessageBox::Ok, this);
  message.setObjectName(QStringLiteral("OutOfMemory"));
  message.exec();
}

void MainWindow::AskToQuit() {
  QMessageBox question(QMessageBox::Information, QApplication::applicationDisplayName(),
                       QCoreApplication::translate("MainWindow", "Do you really want to quit?"),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setObjectName(QStringLiteral("QuitQuestion"));
  question.button(QMessageBox::Yes)->setText(QCoreApplication::translate("MainWindow", "&Yes"));
  question.button(QMessageBox::No)->setText(QCoreApplication::translate("MainWindow", "&No"));
  question.setDefaultButton(QMessageBox::Yes);
  if (question.exec() == QMessageBox::Yes) EndProgram();
}

void MainWindow::EndProgram() {
  ending_ = true;
  hide();
  // A pass under way leaves at its next code unit and ends the program then.
  if (!converting_) end_program_();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (converting_) ending_ = true;
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Enter in the input box moves the focus on, as Tab does.
    if (watched == input_box_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      focusNextChild();
      return true;
    }
    // A key goes first to the control with the focus: the window's handlers see it there.
    // The key is not consumed.
    HandleKey(*key);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace lipimattam
