// Makes the README's picture: the window with a converted paragraph, grabbed offscreen.
//   QT_QPA_PLATFORM=offscreen lipimattam-screenshot OUT.png
#include <QApplication>
#include <QPixmap>

#include <cstdio>

#include "ui/application.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: lipimattam-screenshot OUT.png\n", stderr);
    return 64;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Lipimattam"));
  lipimattam::RegisterFonts();
  lipimattam::MainWindow window;
  window.InputBox()->SetExactText(
      QString::fromUtf8("മലയാളം കേരളത്തിന്റെ ഭാഷയാണ്. പത്രങ്ങളും പ്രസാധകരും ഇന്നും പഴയ ഫോണ്ടുകളിൽ അച്ചടിക്കുന്നു.\n"
                        "ഉദ്യോഗസ്ഥൻ, സ്വാതന്ത്ര്യം, പ്രോഗ്രാം, ക്രൈസ്തവർ, ദ്വൈതം, ശ്രീ, കൃഷി, വിദ്യാർത്ഥികൾ.\n"
                        "ലിപിമാറ്റം ഓരോ അക്ഷരവും പഴയ കോഡുകളിലേക്ക് മാറ്റുന്നു."));
  window.show();
  window.Convert();
  QApplication::processEvents();
  if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "lipimattam-screenshot: cannot write %s\n", argv[1]);
    return 74;
  }
  return 0;
}
