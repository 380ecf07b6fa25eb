// Starting the window program: one copy per user, the bundled font, the main window.
#pragma once

#include <QLocale>
#include <QString>

namespace lipimattam {

// The folder for the lock that keeps a second copy from starting: the user's runtime folder,
// or without one "lipimattam" in the user's cache folder, made for the user alone. A folder
// that is not the user's, or that others may write in, is no place for the lock: `problem`
// says why, and the program runs without it.
struct LockFolder {
  QString path;
  QString problem;
};
[[nodiscard]] LockFolder InstanceLockFolder();

// Shows the window's texts in the language of `locale` where the program has a translation
// (Malayalam), else in English; for a running application.
void InstallTranslation(const QLocale& locale);

// Registers the fonts for this process: "MLTTRev0.ttf" from the program's own folder or from
// lipimattam/fonts in the data folders (~/.local/share, /usr/local/share, /usr/share), and the
// display font "Lipimattam ML-TT" built into the program. A missing or unusable file is not
// reported: the output box then uses the display font. Returns the ML-TTRevathi file
// registered, or nothing.
QString RegisterFonts();

// The program's name, version, desktop entry and icon, for a running application.
void SetApplicationIdentity();

// Runs the program; returns its exit status.
int RunApplication(int argc, char** argv);

}  // namespace lipimattam
