#pragma once

#include <QString>

// Makes a fresh, keyed bookkeep.dat at the path: the seven tables, the settings
// row (login off, empty password), and the triggers that turn date and time texts
// into day numbers. Refuses to touch an existing file. Raises EngineError.
void MakeDatabase(const QString& path);
