#pragma once

#include <QString>

// The program folder with its trailing separator: bookkeep.dat, the logs, the safety
// copy of a restore and the lock file all live there. Run from an installed layout it
// is the user's own data folder; run from anywhere else, the executable's folder.
QString AppPath();

// Tests point the program folder at a temporary directory.
void setAppPath(const QString& folder);

namespace AppPaths {

// The name every installed file is made from (desktop entry, icon, metainfo).
extern const QString kAppId;

// Whether the executable in this folder was installed: it sits in a "bin" folder
// beside the "share" folder that holds the program's installed metainfo.
bool IsInstalledLayout(const QString& executableFolder);
// $XDG_DATA_HOME/Vornet-Halvik (default ~/.local/share/Vornet-Halvik), with the
// trailing separator.
QString UserDataFolder();
// The program folder for an executable in this folder, as AppPath() chooses it.
QString FolderFor(const QString& executableFolder);

} // namespace AppPaths
