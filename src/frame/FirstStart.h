#pragma once

#include <QString>

// An installed program keeps its data in the user's own data folder. Its first
// start makes that folder and puts a fresh database there, as an installer would;
// a database already there is never replaced. On failure each step shows
// "数据库连接失败！" with the reason and asks the program to end.
namespace FirstStart {

// Makes the folder (and those above it) when it is missing.
bool MakeDataFolder(const QString& folder);
// Makes a fresh database at the path when none is there. Called once this copy
// holds the folder's lock, so two first starts never make it at once.
bool MakeDatabaseIfMissing(const QString& path);

} // namespace FirstStart
