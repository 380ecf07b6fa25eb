// Starting the window program: one copy per user, the bundled font, the main window.
#pragma once

#include <QString>

namespace lipimattam {

// Where the lock that keeps a second copy from starting lives: the user's runtime folder.
[[nodiscard]] QString InstanceLockPath();

// Registers "MLTTRev0.ttf" from the program's own folder for this process. A missing or
// unusable file is not reported: the output box then uses whatever font the system offers.
void RegisterBundledFont();

// Runs the program; returns its exit status.
int RunApplication(int argc, char** argv);

}  // namespace lipimattam
