#pragma once

#include "DbKey.h"

#include <QString>

// The login settings: whether a password is asked at start, and the password,
// as typed (kept in the one row of SysSet). While the login is on with a
// password, that password is also the database file's key.
class TConfig
{
public:
    void LoadConfig();
    // Writes bPass and PassWord. When they call for another key, the whole file
    // is encrypted anew with it, the new settings inside (TDbAccess::ChangeKey).
    // When the write fails, the fields go back to the values last loaded or
    // saved, like the database.
    void SaveConfig();
    // Encrypts the file with the key the stored settings call for, if it has
    // another (a file from before the password became the key).
    void ApplyKey();
    // The key the settings call for: the password while the login is on and a
    // password is set, the fixed key otherwise.
    static DbKey KeyFor(bool on, const QString& password);
    // The statement that writes the stored settings, for a restored file to take
    // them with the key (the caller wipes it after use).
    QString StoredStatement() const;

    bool bPass = false;
    QString PassWord;
    // The last statement built, with the password masked: it may go to the log.
    QString statement;

private:
    bool m_storedPass = false;
    QString m_storedPassWord;
};

extern TConfig ConfigStore;
