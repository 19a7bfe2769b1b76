#pragma once

#include <QDateTime>
#include <QTemporaryDir>
#include <memory>

class TDbAccess;

// The program's world in a temporary folder, for the tests and the benchmarks: a
// fresh program folder holding a fresh bookkeep.dat, HOME and XDG_CONFIG_HOME
// inside it, the clock fixed, no browser started and no message box waiting for
// an answer. Every seam (clock, file dialogs, chime, autostart path, main window,
// browser) starts and ends reset.
class Sandbox
{
public:
    explicit Sandbox(bool connect = true, const QDateTime& now = QDateTime(QDate(2024, 3, 15), QTime(9, 30, 0)));
    ~Sandbox();

    QString folder() const;
    QString dbPath() const;
    // Absolute path of a file in the program folder.
    QString file(const QString& name) const;

    std::unique_ptr<TDbAccess> db;

private:
    QTemporaryDir m_dir;
};
