#pragma once

#include "ScriptedMessages.h"

#include <QDateTime>
#include <QList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

class TDbAccess;

// One test case's world: a fresh program folder holding a fresh bookkeep.dat,
// HOME and XDG_CONFIG_HOME inside it, the clock fixed, message boxes scripted and
// the browser replaced by a recorder. Every seam (clock, file dialogs, chime,
// autostart path, main window, browser) starts and ends the case reset.
class TestEnv
{
public:
    explicit TestEnv(bool connect = true, const QDateTime& now = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 0)));
    ~TestEnv();

    QString folder() const;
    QString dbPath() const;
    // Absolute path of a file in the program folder.
    QString file(const QString& name) const;
    // The day's log file as text (it is written in GB18030).
    QString logText(const QDate& day) const;

    ScriptedMessages messages;
    QList<QUrl> opened;
    std::unique_ptr<TDbAccess> db;

private:
    QTemporaryDir m_dir;
};
