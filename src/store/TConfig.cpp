#include "TConfig.h"

#include "SqlText.h"
#include "Statements.h"
#include "TDbAccess.h"
#include "base/Exceptions.h"
#include "base/Wipe.h"

TConfig ConfigStore;

namespace {

QString writeStatement(bool on, const QString& password)
{
    return SqlFormat(Sql::ConfigWrite, {on ? QStringLiteral("-1") : QStringLiteral("0"), password});
}

const QString kMasked = QStringLiteral("***");

} // namespace

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

DbKey TConfig::KeyFor(bool on, const QString& password)
{
    return on ? DbKey::fromPassword(password) : DbKey();
}

QString TConfig::StoredStatement() const
{
    return writeStatement(m_storedPass, m_storedPassWord);
}

void TConfig::SaveConfig()
{
    statement = writeStatement(bPass, PassWord.isEmpty() ? QString() : kMasked);
    QString real = writeStatement(bPass, PassWord);
    try {
        const DbKey key = KeyFor(bPass, PassWord);
        if (key == DbAccess->Key()) {
            ExecSQL(real);
        } else {
            DbAccess->ChangeKey(key, real);
        }
    } catch (const EDBException& e) {
        Wipe(real);
        bPass = m_storedPass;
        PassWord = m_storedPassWord;
        // The log gets the statement without the password.
        throw EDBException(e.Message(), e.UserMessage(), e.Statement().isEmpty() ? QString() : statement);
    } catch (...) {
        Wipe(real);
        bPass = m_storedPass;
        PassWord = m_storedPassWord;
        throw;
    }
    Wipe(real);
    m_storedPass = bPass;
    m_storedPassWord = PassWord;
}

void TConfig::ApplyKey()
{
    const DbKey key = KeyFor(m_storedPass, m_storedPassWord);
    if (!(key == DbAccess->Key())) {
        DbAccess->ChangeKey(key);
    }
}
