#include "ui/application.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "ui/main_window.h"

namespace lipimattam {
namespace {

void Warn(const QString& message) {
  std::fprintf(stderr, "lipimattam: %s\n", qPrintable(message));
}

// Why `path` is no place for the lock, or nothing when it is.
QString ProblemWithFolder(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) return path + QStringLiteral(" is not a folder");
  if (info.st_uid != ::geteuid()) return path + QStringLiteral(" belongs to another user");
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return path + QStringLiteral(" may be written by other users");
  return {};
}

QString LockErrorText(QLockFile::LockError error) {
  switch (error) {
    case QLockFile::PermissionError:
      return QStringLiteral("no permission to make it");
    case QLockFile::UnknownError:
      return QStringLiteral("it cannot be made");
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
      break;
  }
  return {};
}

// While the window system is being reached: a failure that Qt would end with an abort ends
// the program with a message and status 1 instead.
QtMessageHandler g_previous_handler = nullptr;

void EndOnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (g_previous_handler != nullptr) {
      g_previous_handler(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
    return;
  }
  const QString display =
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
          ? QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY")
          : QStringLiteral("WAYLAND_DISPLAY=") + qEnvironmentVariable("WAYLAND_DISPLAY");
  Warn(QStringLiteral("cannot open the window: the display (%1) cannot be reached.\nStart it "
                      "from a desktop session, or convert files with lipimattam-cli.")
           .arg(display));
  std::_Exit(1);
}

}  // namespace

LockFolder InstanceLockFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo::exists(runtime))
    return {runtime, ProblemWithFolder(runtime)};
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  const QString folder = cache + QStringLiteral("/lipimattam");
  QDir().mkpath(cache);
  if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
    return {folder, folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))};
  return {folder, ProblemWithFolder(folder)};
}

void RegisterFonts() {
  (void)QFontDatabase::addApplicationFont(QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/MLTTRev0.ttf"));
  (void)QFontDatabase::addApplicationFont(QStringLiteral(":/lipimattam/LipimattamML-TT.ttf"));
}

int RunApplication(int argc, char** argv) {
  // A copy already running for this user: end at once, silently, before anything is shown or
  // registered. A lock left by a copy that crashed is taken over, as its process is gone. When
  // no lock can be made, the user hears why and gets the window all the same.
  const LockFolder lock_folder = InstanceLockFolder();
  std::optional<QLockFile> instance_lock;
  QString lock_problem = lock_folder.problem;
  if (lock_problem.isEmpty()) {
    const QString lock_path = lock_folder.path + QStringLiteral("/lipimattam.lock");
    instance_lock.emplace(lock_path);
    instance_lock->setStaleLockTime(0);
    if (!instance_lock->tryLock(0)) {
      if (instance_lock->error() == QLockFile::LockFailedError) return 0;
      lock_problem = lock_path + QStringLiteral(": ") + LockErrorText(instance_lock->error());
    }
  }
  if (!lock_problem.isEmpty())
    Warn(QStringLiteral("cannot keep a second copy from starting (%1); starting anyway")
             .arg(lock_problem));

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

  g_previous_handler = qInstallMessageHandler(EndOnFatalMessage);
  QApplication application(argc, argv);
  qInstallMessageHandler(g_previous_handler);
  QApplication::setApplicationName(QStringLiteral("lipimattam"));
  QApplication::setApplicationDisplayName(QStringLiteral("Lipimattam"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/lipimattam/lipimattam.png")));
  RegisterFonts();

  frmMain window;
  window.Form_Load();
  window.show();
  return QApplication::exec();
}

}  // namespace lipimattam
