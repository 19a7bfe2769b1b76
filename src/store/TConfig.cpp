#include "TConfig.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"

TConfig ConfigStore;

void TConfig::LoadConfig()
{
    statement = Sql::ConfigRead;
    DbAccess->OpenQuery(statement);
    const ResultSet& row = DbAccess->Query;
    bPass = !row.eof() && row.asBoolean(QStringLiteral("bPass"));
    PassWord = row.eof() ? QString() : row.asString(QStringLiteral("PassWord"));
    m_storedPass = bPass;
    m_storedPassWord = PassWord;
}

void TConfig::SaveConfig()
{
    statement = SqlFormat(Sql::ConfigWrite, {bPass ? QStringLiteral("-1") : QStringLiteral("0"), PassWord});
    try {
        ExecSQL(statement);
    } catch (...) {
        bPass = m_storedPass;
        PassWord = m_storedPassWord;
        throw;
    }
    m_storedPass = bPass;
    m_storedPassWord = PassWord;
}
