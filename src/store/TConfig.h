#pragma once

#include <QString>

// The login settings: whether a password is asked at start, and the password,
// as typed (kept in the one row of SysSet).
class TConfig
{
public:
    void LoadConfig();
    // Writes bPass and PassWord. When the write fails, the fields go back to the
    // values last loaded or saved, like the database.
    void SaveConfig();

    bool bPass = false;
    QString PassWord;
    QString statement;

private:
    bool m_storedPass = false;
    QString m_storedPassWord;
};

extern TConfig ConfigStore;
