#include "ui/application.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLockFile>

#include <cstdio>

#include "ui/main_window.h"

namespace lipimattam {

QString InstanceLockPath() {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty() || !QDir(folder).exists())
    folder = QDir::tempPath() + QStringLiteral("/lipimattam-") + QString::number(::getuid());
  QDir().mkpath(folder);
  return folder + QStringLiteral("/lipimattam.lock");
}

void RegisterBundledFont() {
  (void)QFontDatabase::addApplicationFont(QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/MLTTRev0.ttf"));
}

int RunApplication(int argc, char** argv) {
  // A copy already running for this user: end at once, silently, before anything is shown or
  // registered. A lock left by a copy that crashed is taken over, as its process is gone.
  QLockFile instance_lock(InstanceLockPath());
  instance_lock.setStaleLockTime(0);
  if (!instance_lock.tryLock(0)) return 0;

  const bool has_display = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  if (!has_display) {
    std::fputs(
        "lipimattam: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not "
        "set).\nStart it from a desktop session, or convert files with lipimattam-cli.\n",
        stderr);
    return 1;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lipimattam"));
  QApplication::setApplicationDisplayName(QStringLiteral("Lipimattam"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/lipimattam/lipimattam.png")));
  RegisterBundledFont();

  frmMain window;
  window.Form_Load();
  window.show();
  return QApplication::exec();
}

}  // namespace lipimattam
