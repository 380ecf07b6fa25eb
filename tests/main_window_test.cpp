// The window, driven as a user drives it, on the offscreen platform.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include <lipimattam/convert.h>

#include "ui/application.h"
#include "ui/main_window.h"

using lipimattam::MainWindow;

// Set by a test: allocations through operator new above this size fail (failing_new.cpp).
extern std::atomic<std::size_t> g_failing_allocations_above;

namespace {

QString Converted(const QString& input) {
  const std::u16string output = lipimattam::ConvertText(
      {reinterpret_cast<const char16_t*>(input.utf16()), static_cast<std::size_t>(input.size())});
  return QString(reinterpret_cast<const QChar*>(output.data()),
                 static_cast<qsizetype>(output.size()));
}

// KA, VIRAMA, RA, VOWEL SIGN AI, space, NA, VIRAMA, ZWJ, CR LF, chillu L, emoji.
const QString kMalayalam =
    QString::fromUtf16(u"\u0D15\u0D4D\u0D30\u0D48 \u0D28\u0D4D\u200D\r\n\u0D7D\U0001F600");

QString LongText(int repeats) {
  QString text;
  for (int i = 0; i < repeats; ++i) text += kMalayalam;
  return text;
}

// Answers the next modal message box with `button` once it is shown; records what it said.
struct QuestionAnswer {
  QString title;
  QString text;
  QString yes;
  QString no;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool yes_is_default = false;
  bool seen = false;
};

void AnswerNextQuestion(QMessageBox::StandardButton button, QuestionAnswer* seen) {
  QTimer::singleShot(20, [button, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      AnswerNextQuestion(button, seen);  // not open yet
      return;
    }
    if (seen != nullptr) {
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->yes = box->button(QMessageBox::Yes)->text();
      seen->no = box->button(QMessageBox::No)->text();
      seen->icon = box->icon();
      seen->yes_is_default = box->defaultButton() == box->button(QMessageBox::Yes);
      seen->seen = true;
    }
    box->button(button)->click();
  });
}

// Clicks OK in the message box named `name` once it shows, recording what it said; any other
// box that shows first is dismissed.
void CloseMessageBox(const QString& name, QString* said, int tries_left = 500) {
  QTimer::singleShot(20, [name, said, tries_left] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != nullptr && box->objectName() == name) {
      *said = box->objectName() + ": " + box->text();
      box->button(QMessageBox::Ok)->click();
      return;
    }
    if (box != nullptr && box->escapeButton() != nullptr) box->escapeButton()->click();
    if (tries_left > 0) CloseMessageBox(name, said, tries_left - 1);
  });
}

QString BuiltProgram() {
  return QStringLiteral(LIPIMATTAM_UI_PATH);
}

QProcessEnvironment OffscreenEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  return environment;
}

// The built program, ended when the test is done with it.
struct RunningProgram : QProcess {
  RunningProgram() = default;
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram() override {
    kill();
    waitForFinished(10000);
  }
};

// Starts the program and checks that it keeps running with its window.
void StartAndSeeItRun(QProcess& program, const QProcessEnvironment& environment) {
  program.setProcessEnvironment(environment);
  program.start(BuiltProgram(), {});
  QVERIFY(program.waitForStarted());
  QTest::qWait(700);
  QCOMPARE(program.state(), QProcess::Running);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { lipimattam::RegisterFonts(); }

  void init() {
    window_ = new MainWindow;
    ended_ = 0;
    window_->SetEndProgram([this] { ++ended_; });
    window_->FocusInput();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    window_->activateWindow();
    window_->InputBox()->setFocus();
  }
  void cleanup() { delete window_; }

  void LayoutCaptionsAndTabOrder() {
    QCOMPARE(window_->objectName(), QStringLiteral("frmMain"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("Convert Unicode to ML"));
    QCOMPARE(window_->size(), QSize(776, 454));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    struct Control {
      QWidget* widget = nullptr;
      const char* name = nullptr;
      QRect geometry;
    };
    const Control controls[] = {
        {window_->InputFrame(), "Frame1", {8, 8, 377, 433}},
        {window_->InputBox(), "TextBox1", {8, 16, 353, 369}},
        {window_->ConvertButton(), "cmdConvert", {8, 400, 81, 25}},
        {window_->OutputFrame(), "Frame2", {392, 8, 377, 433}},
        {window_->OutputBox(), "TextBox2", {8, 16, 361, 409}},
    };
    for (const Control& control : controls) {
      QCOMPARE(control.widget->objectName(), QString::fromLatin1(control.name));
      QCOMPARE(control.widget->geometry(), control.geometry);
    }
    QCOMPARE(window_->InputFrame()->title(),
             QStringLiteral("Paste Malayalam Unicode Text and click Convert Button"));
    QCOMPARE(window_->OutputFrame()->title(),
             QStringLiteral("Copy the converted Text by pressing rightmouse button"));
    QCOMPARE(window_->ConvertButton()->text(), QStringLiteral("&Convert"));
    QCOMPARE(window_->InputBox()->font().family(), QStringLiteral("AnjaliOldLipi"));
    QCOMPARE(window_->InputBox()->font().pointSizeF(), 15.75);
    // The font the encoding was made for where the machine has it, else the display font.
    QCOMPARE(window_->OutputBox()->font().family(),
             QFontDatabase::hasFamily(QStringLiteral("ML-TTRevathi"))
                 ? QStringLiteral("ML-TTRevathi")
                 : QStringLiteral("Lipimattam ML-TT"));
    QCOMPARE(window_->OutputBox()->font().pointSizeF(), 14.25);
    QCOMPARE(window_->OutputBox()->font().weight(), QFont::Normal);
    QCOMPARE(window_->InputBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QCOMPARE(QApplication::focusWidget(), window_->InputBox());
    QTest::keyClick(window_->InputBox(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window_->ConvertButton());
    QTest::keyClick(window_->ConvertButton(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window_->OutputBox());
    QTest::keyClick(window_->OutputBox(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), window_->ConvertButton());
    window_->InputBox()->setFocus();
    QTest::keyClick(window_->InputBox(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), window_->ConvertButton());
    QCOMPARE(window_->InputBox()->ExactText(), QString());  // Enter moved on, typed nothing
  }

  void F5ConvertsWithAnyModifierFromAnyControl() {
    const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier,
                                               Qt::ControlModifier, Qt::AltModifier};
    QWidget* targets[] = {window_->InputBox(), window_->ConvertButton(), window_->OutputBox()};
    for (QWidget* target : targets) {
      for (Qt::KeyboardModifiers modifier : modifiers) {
        window_->InputBox()->SetExactText(kMalayalam);
        window_->OutputBox()->SetExactText(QStringLiteral("old"));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_F5, modifier);
        QVERIFY2(window_->OutputBox()->ExactText() == Converted(kMalayalam),
                 qPrintable(target->objectName() + " " + QString::number(modifier.toInt())));
      }
    }
  }

  void OtherFunctionKeysDoNothing() {
    window_->InputBox()->SetExactText(kMalayalam);
    window_->OutputBox()->SetExactText(QStringLiteral("old"));
    for (int key = Qt::Key_F1; key <= Qt::Key_F12; ++key) {
      if (key == Qt::Key_F5) continue;
      QTest::keyClick(window_->InputBox(), static_cast<Qt::Key>(key));
    }
    QCOMPARE(window_->OutputBox()->ExactText(), QStringLiteral("old"));
    QVERIFY(window_->isVisible());
  }

  void AltCPressesConvert() {
    window_->InputBox()->SetExactText(kMalayalam);
    QSignalSpy clicked(window_->ConvertButton(), &QPushButton::clicked);
    QTest::keyClick(window_->InputBox(), Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(clicked.count(), 1);
    QCOMPARE(window_->OutputBox()->ExactText(), Converted(kMalayalam));
  }

  void EscapeAsksAndNoChangesNothing() {
    window_->InputBox()->SetExactText(kMalayalam);
    window_->OutputBox()->SetExactText(QStringLiteral("kept"));
    QuestionAnswer seen;
    AnswerNextQuestion(QMessageBox::No, &seen);
    QTest::keyClick(window_->OutputBox(), Qt::Key_Escape);
    QVERIFY(seen.seen);
    QCOMPARE(seen.text, QStringLiteral("Do you really want to quit?"));
    QCOMPARE(seen.title, QApplication::applicationDisplayName());
    QCOMPARE(seen.icon, QMessageBox::Information);
    QVERIFY(seen.yes_is_default);
    QVERIFY(window_->isVisible());
    QCOMPARE(ended_, 0);
    QCOMPARE(window_->InputBox()->ExactText(), kMalayalam);
    QCOMPARE(window_->OutputBox()->ExactText(), QStringLiteral("kept"));
  }

  void EscapeYesEndsTheProgram() {
    AnswerNextQuestion(QMessageBox::Yes, nullptr);
    QTest::keyClick(window_->InputBox(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QCOMPARE(ended_, 1);
  }

  void PassesLeaveTheDefaultPointerAndTheFinalText() {
    const QString inputs[] = {QString(), kMalayalam, QStringLiteral("city\r\n"), kMalayalam};
    for (const QString& input : inputs) {
      window_->InputBox()->SetExactText(input);
      window_->OutputBox()->SetExactText(QStringLiteral("left from before"));
      window_->Convert();
      QCOMPARE(QApplication::overrideCursor(), nullptr);
      QVERIFY(window_->OutputBox()->isEnabled());
      QCOMPARE(window_->OutputBox()->ExactText(), Converted(input));
    }
  }

  void CopyGivesTheExactUnits() {
    window_->InputBox()->SetExactText(kMalayalam + kMalayalam);
    window_->Convert();
    const QString expected = Converted(kMalayalam + kMalayalam);
    QVERIFY(expected.contains(QStringLiteral("\r\n")));
    // The box's own right-click menu offers Copy.
    std::unique_ptr<QMenu> menu(window_->OutputBox()->createStandardContextMenu());
    QVERIFY(std::any_of(menu->actions().cbegin(), menu->actions().cend(), [](QAction* action) {
      return action->text().remove('&').startsWith(QStringLiteral("Copy"));
    }));
    window_->OutputBox()->selectAll();
    window_->OutputBox()->copy();
    QCOMPARE(QApplication::clipboard()->text(), expected);
    // A selection that starts after a CR LF and ends inside the next line.
    QTextCursor cursor = window_->OutputBox()->textCursor();
    const int first_break = window_->OutputBox()->document()->firstBlock().length();
    cursor.setPosition(first_break);
    cursor.setPosition(first_break + 3, QTextCursor::KeepAnchor);
    window_->OutputBox()->setTextCursor(cursor);
    window_->OutputBox()->copy();
    const qsizetype exact_start = expected.indexOf(QStringLiteral("\r\n")) + 2;
    QCOMPARE(QApplication::clipboard()->text(), expected.mid(exact_start, 3));
  }

  // Without ML-TTRevathi the box shows the codes at U+F000 + code in the display font; the
  // text, a copy and a line break are the real units, and a unit U+F0xx of the text itself, or
  // a code the font has nothing for, shows and copies as itself.
  void OutputBoxShowsDisplayCopiesAndCopiesTheCodes() {
    if (QFontDatabase::hasFamily(QStringLiteral("ML-TTRevathi")))
      QSKIP("this machine has ML-TTRevathi, which the box shows the codes in");
    QCOMPARE(QFontInfo(window_->OutputBox()->font()).family(), QStringLiteral("Lipimattam ML-TT"));
    const QString input =
        QString::fromUtf16(u"\u0D15\u0D4D\u0D30\u0D48 \u0D23\u0D4D\u0D1F\r\n\uF041\u00E5A.");
    window_->InputBox()->SetExactText(input);
    window_->Convert();
    const QString expected = Converted(input);
    QVERIFY(expected.contains(QChar(0xAD)));  // the NNA-TTA ligature, a soft hyphen in Latin-1
    const QString shown = window_->OutputBox()->document()->toPlainText();
    QCOMPARE(shown, QString::fromUtf16(u"\uF073\uF073\uF07B\uF049 \uF0AD\n"
                                       u"\uF041\u00E5\uF041\uF02E"));
    QCOMPARE(window_->OutputBox()->ExactText(), expected);
    window_->OutputBox()->selectAll();
    window_->OutputBox()->copy();
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QTextCursor cursor = window_->OutputBox()->textCursor();
    const int second_line = window_->OutputBox()->document()->findBlockByNumber(1).position();
    cursor.setPosition(second_line - 2);
    cursor.setPosition(second_line + 1, QTextCursor::KeepAnchor);
    window_->OutputBox()->setTextCursor(cursor);
    window_->OutputBox()->copy();
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf16(u"\u00AD\r\n\uF041"));
  }

  void InputBoxKeepsPastedTextExactly() {
    const QString text = QString::fromUtf16(u"a\r\nb\rc\nd\u2029e\u2028f\U0001F600");
    QApplication::clipboard()->setText(text);
    window_->InputBox()->SetExactText(QStringLiteral("[]"));
    QTextCursor cursor = window_->InputBox()->textCursor();
    cursor.setPosition(1);
    window_->InputBox()->setTextCursor(cursor);
    window_->InputBox()->paste();
    QCOMPARE(window_->InputBox()->ExactText(), QStringLiteral("[") + text + QStringLiteral("]"));
  }

  // Lines too long to lay out quickly are shown as several paragraphs; the cuts hold no units,
  // so the text and a copy of any part of it stay exact.
  void LongLinesAreCutForShowingOnly() {
    QString line;
    while (line.size() < 3 * lipimattam::ExactTextEdit::kLongestBlock)
      line += QStringLiteral("sI{m ");
    line += QString::fromUtf16(u"\U0001F600");
    const QString text = line + QStringLiteral("\r\n") + line.left(5000) + QChar(0xFDD0);
    window_->OutputBox()->SetExactText(text);
    QVERIFY(window_->OutputBox()->document()->blockCount() >= 6);
    for (QTextBlock block = window_->OutputBox()->document()->begin(); block.isValid();
         block = block.next())
      QVERIFY(block.length() <= lipimattam::ExactTextEdit::kLongestBlock + 1);
    QString expected = text;
    expected.back() = QChar::ReplacementCharacter;  // a frame marker is shown as U+FFFD
    QCOMPARE(window_->OutputBox()->ExactText(), expected);
    window_->OutputBox()->selectAll();
    window_->OutputBox()->copy();
    QCOMPARE(QApplication::clipboard()->text(), expected);
  }

  // A huge result is kept in few paragraphs, each line break inside one as U+2028; the text
  // and a copy of a part that starts and ends inside paragraphs still give every unit back.
  void AHugeResultIsKeptInFewParagraphs() {
    const QString lines[] = {QStringLiteral("sI{m\r\n"), QStringLiteral("Hello\n"),
                             QStringLiteral("x\r"), QString::fromUtf16(u"a\u2028b\u2029"),
                             QStringLiteral("\r\n")};
    QString text;  // every line numbered, so that any piece of the text is found once only
    for (std::size_t i = 0; text.size() <= lipimattam::ExactTextEdit::kJoinLinesAbove; ++i)
      text += QString::number(i) + lines[i % std::size(lines)];
    window_->OutputBox()->SetExactText(text);
    QVERIFY(window_->OutputBox()->document()->blockCount() < text.size() / 1000);
    QCOMPARE(window_->OutputBox()->ExactText(), text);
    QTextCursor cursor = window_->OutputBox()->textCursor();
    const QTextBlock block = window_->OutputBox()->document()->findBlockByNumber(3);
    cursor.setPosition(block.position() + 7);
    cursor.setPosition(block.position() + block.length() + 20, QTextCursor::KeepAnchor);
    window_->OutputBox()->setTextCursor(cursor);
    window_->OutputBox()->copy();
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.size() > 2000);
    QCOMPARE(text.count(copied), 1);  // a piece of the text, unit for unit
    QVERIFY(copied.contains(QStringLiteral("\r\n")) && copied.contains(QChar(0x2028)) &&
            copied.contains(QChar(0x2029)) && copied.contains(QStringLiteral("x\r1")));
  }

  void OutputBoxIsDisabledAtEveryYield() {
    window_->InputBox()->SetExactText(LongText(200));
    int yields_seen = 0;
    int enabled_seen = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
      if (!window_->IsConverting()) return;
      ++yields_seen;
      if (window_->OutputBox()->isEnabled()) ++enabled_seen;
      QVERIFY(QApplication::overrideCursor() != nullptr);
    });
    probe.start(0);
    window_->Convert();
    probe.stop();
    QVERIFY(yields_seen > 0);
    QCOMPARE(enabled_seen, 0);
    QVERIFY(window_->OutputBox()->isEnabled());
  }

  void ConvertDuringAPassRunsOnceMoreOverTheNewInput() {
    window_->InputBox()->SetExactText(LongText(300));
    const QString changed = QString::fromUtf16(u"\u0D15\u0D4A");  // KA, VOWEL SIGN O
    int requests = 0;
    QTimer::singleShot(0, [&] {
      window_->InputBox()->SetExactText(changed);
      for (; requests < 3; ++requests) window_->ConvertButton()->click();  // three make one pass
    });
    window_->Convert();
    QCOMPARE(requests, 3);
    QCOMPARE(window_->OutputBox()->ExactText(), QStringLiteral("sIm"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(window_->OutputBox()->isEnabled());
  }

  void EscapeYesDuringAPassEndsIt() {
    window_->InputBox()->SetExactText(LongText(5000));
    QTimer::singleShot(0, [this] {
      AnswerNextQuestion(QMessageBox::Yes, nullptr);
      QTest::keyClick(window_->InputBox(), Qt::Key_Escape);
    });
    window_->Convert();
    QVERIFY(!window_->isVisible());
    QVERIFY(!window_->IsConverting());
    QCOMPARE(ended_, 1);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(window_->OutputBox()->ExactText().size() < Converted(LongText(5000)).size());
  }

  void EscapeNoDuringAPassLetsItFinish() {
    window_->InputBox()->SetExactText(LongText(2000));
    QTimer::singleShot(30, [this] {
      AnswerNextQuestion(QMessageBox::No, nullptr);
      QTest::keyClick(window_->InputBox(), Qt::Key_Escape);
    });
    window_->Convert();
    QVERIFY(window_->isVisible());
    QCOMPARE(ended_, 0);
    QCOMPARE(window_->OutputBox()->ExactText(), Converted(LongText(2000)));
  }

  void ClosingDuringAPassEndsIt() {
    window_->InputBox()->SetExactText(LongText(5000));
    QTimer::singleShot(0, [this] { window_->close(); });
    window_->Convert();
    QVERIFY(!window_->isVisible());
    QVERIFY(!window_->IsConverting());
    QCOMPARE(ended_, 1);
    QVERIFY(window_->OutputBox()->ExactText().size() < Converted(LongText(5000)).size());
  }

  // Running out of memory during Convert says so; the pasted text stays, and the window too.
  void RunningOutOfMemoryKeepsTheTextAndSaysSo() {
#ifdef LIPIMATTAM_SANITIZED
    QSKIP("the sanitizers keep operator new for themselves");
#endif
    const QString text = LongText(20000);
    window_->InputBox()->SetExactText(text);
    QTest::qWait(50);  // events left from earlier tests run now, not during the pass
    QString said;
    CloseMessageBox("OutOfMemory", &said);
    // The pass makes room for its output at once, three units (six bytes) for each input unit;
    // what the window's own texts need comes from malloc, which never fails here.
    g_failing_allocations_above = static_cast<std::size_t>(text.size()) * 5 / 2;
    window_->Convert();
    g_failing_allocations_above = 0;
    QVERIFY2(said.startsWith("OutOfMemory: There is not enough memory to convert this text"),
             qPrintable(said));
    QCOMPARE(window_->InputBox()->ExactText(), text);
    QCOMPARE(window_->OutputBox()->ExactText(), QString());
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->IsConverting());
    QVERIFY(window_->OutputBox()->isEnabled());
    window_->Convert();  // with the memory back, it converts
    QCOMPARE(window_->OutputBox()->ExactText(), Converted(text));
  }

  // Docks tie the window to its launcher by the window's class (X11) and the desktop entry's
  // name (Wayland); the icon is there at every size the window shows it.
  void TheWindowBelongsToItsDesktopEntry() {
    lipimattam::SetApplicationIdentity();
    QFile entry(LIPIMATTAM_DESKTOP_ENTRY);
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray text = entry.readAll();
    QVERIFY2(text.contains("\nStartupWMClass=" + QApplication::applicationName().toUtf8() + "\n"),
             text.constData());
    QCOMPARE(QGuiApplication::desktopFileName() + ".desktop", QFileInfo(entry).fileName());
    for (const int size : {16, 32, 48, 64, 128})
      QCOMPARE(QApplication::windowIcon().pixmap(size).size(), QSize(size, size));
  }

  // Where a package or the user keeps it: lipimattam/fonts in the data folders.
  void TheFontFileIsFoundWhereFontsAreKept() {
    QTemporaryDir data;
    QVERIFY(QDir(data.path()).mkpath("lipimattam/fonts"));
    const QString font = data.path() + "/lipimattam/fonts/MLTTRev0.ttf";
    // Any TrueType file serves to be found; this one is the source of the display font.
    QVERIFY(QFile::copy(LIPIMATTAM_SOURCE_FONT, font));
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString registered = lipimattam::RegisterFonts();
    qputenv("XDG_DATA_HOME", before);
    QCOMPARE(registered, font);
  }

  void MissingFontFileIsNotReported() {
    // The build folder has no MLTTRev0.ttf: registering it fails silently.
    QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/MLTTRev0.ttf"));
    QCOMPARE(lipimattam::RegisterFonts(), QString());
    window_->InputBox()->SetExactText(kMalayalam);
    window_->Convert();
    QCOMPARE(window_->OutputBox()->ExactText(), Converted(kMalayalam));
  }

  void SecondCopyEndsAtOnceWithoutAWindow() {
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(BuiltProgram(), {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime.path() + "/lipimattam.lock"), 10000);
    QTest::qWait(300);
    QCOMPARE(first.state(), QProcess::Running);  // the font file is missing: no harm

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(BuiltProgram(), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput(), QByteArray());
    QCOMPARE(second.readAllStandardError(), QByteArray());
    QCOMPARE(first.state(), QProcess::Running);

    // A copy that dies leaves its lock behind; the next start takes it over.
    first.kill();
    QVERIFY(first.waitForFinished(10000));
    QProcess third;
    third.setProcessEnvironment(environment);
    third.start(BuiltProgram(), {});
    QVERIFY(third.waitForStarted());
    QTest::qWait(500);
    QCOMPARE(third.state(), QProcess::Running);
    third.kill();
    third.waitForFinished(10000);
  }

  // A lock whose holder cannot be confirmed alive here (empty or garbage after a crash or a
  // power loss, or its process gone) is taken over; one made on another machine that shares
  // the folder is reported. Either way the window opens.
  void ALockOfNoLivingCopyHereDoesNotKeepTheWindowShut_data() {
    QTest::addColumn<QByteArray>("lock");
    QTest::addColumn<QString>("said");  // on standard error; empty: nothing
    QTest::addColumn<bool>("taken");
    const QByteArray here = QSysInfo::machineHostName().toUtf8();
    QTest::newRow("empty") << QByteArray() << QString() << true;
    QTest::newRow("garbage") << QByteArray("\x01\xFFlock\n\n") << QString() << true;
    QTest::newRow("process gone") << "999999999\nlipimattam\n" + here + "\n" << QString() << true;
    QTest::newRow("another machine")
        << QByteArray("4242\nlipimattam\nother-desk.example\n")
        << QString("was made by a copy on the machine other-desk.example") << false;
  }
  void ALockOfNoLivingCopyHereDoesNotKeepTheWindowShut() {
    QFETCH(QByteArray, lock);
    QFETCH(QString, said);
    QFETCH(bool, taken);
    QTemporaryDir runtime;
    const QString lock_path = runtime.path() + "/lipimattam.lock";
    QFile file(lock_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lock);
    file.close();
    QProcessEnvironment environment = OffscreenEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    RunningProgram program;
    StartAndSeeItRun(program, environment);
    const QByteArray error = program.readAllStandardError();
    if (said.isEmpty()) {
      QCOMPARE(error, QByteArray());
    } else {
      QVERIFY2(error.contains(said.toUtf8()), error.constData());
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray now = file.readAll();
    QCOMPARE(now.startsWith(QByteArray::number(program.processId()) + "\n"), taken);
    if (!taken) QCOMPARE(now, lock);
  }

  // When no lock can be made, the user is told why and gets the window all the same.
  void ALockThatCannotBeMadeIsReportedAndTheWindowOpens() {
    QProcessEnvironment environment = OffscreenEnvironment();
    environment.insert("XDG_RUNTIME_DIR", "/proc");  // no one may make files there
    RunningProgram program;
    StartAndSeeItRun(program, environment);
    QVERIFY(program.readAllStandardError().contains(
        "cannot keep a second copy from starting (/proc/lipimattam.lock"));
  }

  // Without a runtime folder the lock lives in a folder of the user's cache, for the user alone.
  void WithoutARuntimeFolderTheLockIsInTheUsersCache() {
    QTemporaryDir home;
    QProcessEnvironment environment = OffscreenEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.remove("XDG_CACHE_HOME");
    environment.insert("HOME", home.path());
    RunningProgram first;
    StartAndSeeItRun(first, environment);
    const QString folder = home.path() + "/.cache/lipimattam";
    QVERIFY(QFile::exists(folder + "/lipimattam.lock"));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(BuiltProgram(), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardError(), QByteArray());
  }

  // A lock folder that others may write in, or that is another user's, is not used: another
  // user could keep the window from opening, or remove the lock.
  void ALockFolderOthersCouldTamperWithIsRefused() {
    QTemporaryDir cache;
    const QString folder = cache.path() + "/lipimattam";
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));  // written by anyone
    QProcessEnvironment environment = OffscreenEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.insert("XDG_CACHE_HOME", cache.path());
    RunningProgram program;
    StartAndSeeItRun(program, environment);
    QVERIFY(program.readAllStandardError().contains("may be written by other users"));
    QVERIFY(!QFile::exists(folder + "/lipimattam.lock"));
    if (::geteuid() == 0) {
      QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7000)));
      QCOMPARE(::chown(QFile::encodeName(folder).constData(), 12345, 12345), 0);
      RunningProgram again;
      StartAndSeeItRun(again, environment);
      QVERIFY(again.readAllStandardError().contains("belongs to another user"));
    }
  }

  // Where the desktop speaks Malayalam, so does the window: its title, captions, button (with
  // its access key) and quit question; and so do the program's messages before a window
  // exists.
  void MalayalamDesktopGetsMalayalamTexts() {
    lipimattam::InstallTranslation(QLocale(QLocale::Malayalam, QLocale::India));
    {
      MainWindow window;
      window.SetEndProgram([] {});
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      QCOMPARE(window.windowTitle(), QString::fromUtf8("യൂണിക്കോഡ് ML-ലേക്ക് മാറ്റുക"));
      QCOMPARE(window.InputFrame()->title(),
               QString::fromUtf8("മലയാളം യൂണിക്കോഡ് ടെക്സ്റ്റ് ഒട്ടിച്ച് 'മാറ്റുക' ബട്ടൺ അമർത്തുക"));
      QCOMPARE(window.OutputFrame()->title(),
               QString::fromUtf8("മാറ്റിയ ടെക്സ്റ്റ് വലത് മൗസ് ബട്ടൺ അമർത്തി പകർത്തുക"));
      QCOMPARE(window.ConvertButton()->text(), QString::fromUtf8("മാറ്റുക (&C)"));
      window.InputBox()->SetExactText(kMalayalam);
      window.InputBox()->setFocus();
      QTest::keyClick(window.InputBox(), Qt::Key_C, Qt::AltModifier);
      QTRY_COMPARE(window.OutputBox()->ExactText(), Converted(kMalayalam));
      QuestionAnswer seen;
      AnswerNextQuestion(QMessageBox::No, &seen);
      window.AskToQuit();
      QCOMPARE(seen.text, QString::fromUtf8("ശരിക്കും പുറത്തുകടക്കണോ?"));
      QCOMPARE(seen.yes, QString::fromUtf8("ഉവ്വ് (&Y)"));
      QCOMPARE(seen.no, QString::fromUtf8("വേണ്ട (&N)"));
    }
    lipimattam::InstallTranslation(QLocale::c());
    QCOMPARE(QCoreApplication::translate("MainWindow", "&Convert"), QStringLiteral("&Convert"));

    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
      environment.remove(name);
    environment.insert("LANG", "ml_IN.UTF-8");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(BuiltProgram(), {});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 1);
    QVERIFY(QString::fromUtf8(program.readAllStandardError())
                .contains(QString::fromUtf8(
                    "ജാലകം തുറക്കാൻ ഡിസ്‌പ്ലേ "
                    "ഇല്ല")));
  }

  // Without a display, or with one that cannot be reached, the program says so and ends
  // with status 1, never with an abort.
  void WithoutAUsableDisplayItSaysSo() {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "no display to open the window on"},
        {":4711", "cannot open the window: the display (DISPLAY=:4711) cannot be reached"}};
    for (const auto& [display, message] : cases) {
      QTemporaryDir runtime;
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert("XDG_RUNTIME_DIR", runtime.path());
      environment.remove("DISPLAY");
      if (display != nullptr) environment.insert("DISPLAY", display);
      environment.remove("WAYLAND_DISPLAY");
      environment.remove("QT_QPA_PLATFORM");
      QProcess program;
      program.setProcessEnvironment(environment);
      program.start(BuiltProgram(), {});
      QVERIFY(program.waitForFinished(10000));
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), 1);
      QVERIFY2(program.readAllStandardError().contains(message), message);
    }
  }

 private:  // NOLINT(readability-redundant-access-specifiers): ends the slots
  MainWindow* window_ = nullptr;
  int ended_ = 0;  // how often the window ended the program
};

// As QTEST_MAIN, but in a temporary folder of the test's own, removed at the end with what the
// test and the programs it starts made there: Qt makes runtime-root in the temporary folder
// when a program has no runtime folder.
int main(int argc, char** argv) {
  const QTemporaryDir scratch;
  if (!scratch.isValid() || !QDir(scratch.path()).mkdir("runtime")) return 1;
  qputenv("TMPDIR", QFile::encodeName(scratch.path()));
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path() + "/runtime"));
  QApplication application(argc, argv);
  QApplication::setAttribute(Qt::AA_Use96Dpi, true);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "main_window_test.moc"
