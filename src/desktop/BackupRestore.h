#pragma once

#include <QString>

class QWidget;

// "数据备份": copies the database under the chosen name with ".bat" appended.
void BackupCommand(QWidget* owner);

// "数据恢复": asks first, keeps a safety copy, restores the chosen file and logs
// it. True when a restore happened, so that every view can be reloaded.
bool RestoreCommand(QWidget* owner);

// The safety copy made before each restore.
QString SafetyCopyPath();
