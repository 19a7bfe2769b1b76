#pragma once

#include "store/TDbAccess.h"

#include <QString>

class QWidget;

// "数据备份": copies the database under the chosen name with ".bat" appended.
void BackupCommand(QWidget* owner);

// "数据恢复": asks first, keeps a safety copy, restores the chosen file and logs
// it. True when a restore happened, so that every view can be reloaded. A file
// keyed with a password of its own is opened through `prompt`; the restored data
// takes the key and the login settings in force.
bool RestoreCommand(QWidget* owner, const TDbAccess::PasswordPrompt& prompt = {});

// The safety copy made before each restore.
QString SafetyCopyPath();
