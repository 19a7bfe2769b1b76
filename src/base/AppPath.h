#pragma once

#include <QString>

// The program folder with its trailing separator: bookkeep.dat, the logs and the
// safety copy of a restore all live there.
QString AppPath();

// Tests point the program folder at a temporary directory.
void setAppPath(const QString& folder);
