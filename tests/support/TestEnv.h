#pragma once

#include "Sandbox.h"
#include "ScriptedMessages.h"

#include <QList>
#include <QUrl>

// One test case's world: the sandbox (a fresh program folder and database, the
// clock fixed, every seam reset at start and end), with message boxes scripted
// and the browser replaced by a recorder.
class TestEnv : public Sandbox
{
public:
    explicit TestEnv(bool connect = true, const QDateTime& now = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 0)));

    // The day's log file as text (it is written in GB18030).
    QString logText(const QDate& day) const;

    ScriptedMessages messages;
    QList<QUrl> opened;
};
