#include "ui/application.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTranslator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "ui/main_window.h"

namespace lipimattam {
namespace {

// The program's texts in the desktop's language, where the program has it: loaded at the first
// message, so that messages before the window exists are translated too.
QTranslator& Translation() {
  static QTranslator translator;
  return translator;
}

bool LoadTranslation(const QLocale& locale) {
  return Translation().load(locale, QStringLiteral("lipimattam"), QStringLiteral("_"),
                            QStringLiteral(":/i18n"));
}

// A message of the program before its window exists, as QCoreApplication::translate would
// give it; lupdate knows these by the QT_TRANSLATE_NOOP around them.
QString Translated(const char* english) {
  static const bool loaded = LoadTranslation(QLocale());
  (void)loaded;
  const QString translated = Translation().translate("Application", english);
  return translated.isEmpty() ? QString::fromUtf8(english) : translated;
}

void Warn(const QString& message) {
  std::fprintf(stderr, "lipimattam: %s\n", qPrintable(message));
}

// Why `path` is no place for the lock, or nothing when it is.
QString ProblemWithFolder(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
  if (!S_ISDIR(info.st_mode))
    return Translated(QT_TRANSLATE_NOOP("Application", "%1 is not a folder")).arg(path);
  if (info.st_uid != ::geteuid())
    return Translated(QT_TRANSLATE_NOOP("Application", "%1 belongs to another user")).arg(path);
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return Translated(QT_TRANSLATE_NOOP("Application", "%1 may be written by other users"))
        .arg(path);
  return {};
}

QString LockErrorText(QLockFile::LockError error) {
  switch (error) {
    case QLockFile::PermissionError:
      return Translated(QT_TRANSLATE_NOOP("Application", "no permission to make it"));
    case QLockFile::UnknownError:
      return Translated(QT_TRANSLATE_NOOP("Application", "it cannot be made"));
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
      break;
  }
  return {};
}

// Who holds a lock that could not be taken.
enum class LockHolder {
  kAliveHere,     // a running copy on this machine
  kOtherMachine,  // a copy on another machine sharing the folder, which cannot be checked
  kNobody,        // an empty or unreadable lock, or one whose process is gone: stale
};

LockHolder HolderOf(const QLockFile& lock, QString& machine) {
  constexpr int kLooks = 2;
  constexpr unsigned long kWaitForWriterMs = 200;
  for (int look = 1;; ++look) {
    qint64 pid = 0;
    QString app;
    if (lock.getLockInfo(&pid, &machine, &app)) {
      if (!machine.isEmpty() && machine != QSysInfo::machineHostName())
        return LockHolder::kOtherMachine;
      const bool alive = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
      return alive ? LockHolder::kAliveHere : LockHolder::kNobody;
    }
    if (look == kLooks) return LockHolder::kNobody;
    // A copy starting this moment may not have written its lock yet: look again shortly.
    QThread::msleep(kWaitForWriterMs);
  }
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
  Warn(
      Translated(QT_TRANSLATE_NOOP(
                     "Application",
                     "cannot open the window: the display (%1) cannot be reached.\nStart it from a "
                     "desktop session, or convert files with lipimattam-cli."))
          .arg(display));
  std::_Exit(1);
}

}  // namespace

void InstallTranslation(const QLocale& locale) {
  QCoreApplication::removeTranslator(&Translation());
  if (LoadTranslation(locale)) QCoreApplication::installTranslator(&Translation());
}

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

void SetApplicationIdentity() {
  // The window's class on X11 is the application's name, and its id on Wayland the desktop
  // entry's name: docks tie the window to the launcher by them.
  QApplication::setApplicationName(QStringLiteral("lipimattam"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.lipimattam.Lipimattam"));
  QApplication::setApplicationVersion(QStringLiteral(LIPIMATTAM_VERSION));
  QApplication::setApplicationDisplayName(QCoreApplication::translate("Application", "Lipimattam"));
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128})
    icon.addFile(QStringLiteral(":/lipimattam/icons/%1x%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

QString RegisterFonts() {
  // Next to the program (a build, a copied folder), or where a package keeps fonts:
  // lipimattam/fonts in the user's and the system's data folders.
  QStringList candidates = {QCoreApplication::applicationDirPath() +
                            QStringLiteral("/MLTTRev0.ttf")};
  candidates += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                          QStringLiteral("lipimattam/fonts/MLTTRev0.ttf"));
  QString registered;
  for (const QString& candidate : candidates) {
    if (QFileInfo::exists(candidate) && QFontDatabase::addApplicationFont(candidate) != -1) {
      registered = candidate;
      break;
    }
  }
  (void)QFontDatabase::addApplicationFont(QStringLiteral(":/lipimattam/LipimattamML-TT.ttf"));
  return registered;
}

int RunApplication(int argc, char** argv) {
  // A copy already running for this user: end at once, silently, before anything is shown or
  // registered. A lock whose holder cannot be confirmed alive on this machine (empty, garbage,
  // or left by a copy that crashed) is taken over. A lock made on another machine that shares
  // the folder is reported, and the window opens without it. When no lock can be made, the
  // user hears why and gets the window all the same.
  const LockFolder lock_folder = InstanceLockFolder();
  std::optional<QLockFile> instance_lock;
  QString lock_problem = lock_folder.problem;
  if (lock_problem.isEmpty()) {
    const QString lock_path = lock_folder.path + QStringLiteral("/lipimattam.lock");
    instance_lock.emplace(lock_path);
    instance_lock->setStaleLockTime(0);
    bool locked = instance_lock->tryLock(0);
    QString machine;
    if (!locked && instance_lock->error() == QLockFile::LockFailedError) {
      switch (HolderOf(*instance_lock, machine)) {
        case LockHolder::kAliveHere:
          return 0;
        case LockHolder::kNobody:  // left by a crash or a power loss
          (void)instance_lock->removeStaleLockFile();
          locked = instance_lock->tryLock(0);
          if (!locked && instance_lock->error() == QLockFile::LockFailedError)
            return 0;  // another copy took it meanwhile
          break;
        case LockHolder::kOtherMachine:
          Warn(Translated(QT_TRANSLATE_NOOP("Application",
                                            "%1 was made by a copy on the machine %2, which "
                                            "cannot be checked from here; starting anyway"))
                   .arg(lock_path, machine));
          instance_lock.reset();
          locked = true;  // nothing more to say
          break;
      }
    }
    if (!locked)
      lock_problem = lock_path + QStringLiteral(": ") + LockErrorText(instance_lock->error());
  }
  if (!lock_problem.isEmpty())
    Warn(Translated(QT_TRANSLATE_NOOP("Application",
                                      "cannot keep a second copy from starting (%1); starting "
                                      "anyway"))
             .arg(lock_problem));

  const bool has_display = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  if (!has_display) {
    Warn(Translated(
        QT_TRANSLATE_NOOP("Application",
                          "no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not "
                          "set).\nStart it from a desktop session, or convert files with "
                          "lipimattam-cli.")));
    return 1;
  }

  g_previous_handler = qInstallMessageHandler(EndOnFatalMessage);
  QApplication application(argc, argv);
  qInstallMessageHandler(g_previous_handler);
  InstallTranslation(QLocale());
  SetApplicationIdentity();
  RegisterFonts();

  MainWindow window;
  window.FocusInput();
  window.show();
  return QApplication::exec();
}

}  // namespace lipimattam
