#include "DbKey.h"

#include "DbConnection.h"
#include "base/Wipe.h"

#include <cstring>

DbKey DbKey::fromPassword(const QString& password)
{
    DbKey key;
    QByteArray utf8 = password.toUtf8();
    key.m_password.assign(utf8.constData(), utf8.constData() + utf8.size());
    Wipe(utf8);
    return key;
}

DbKey::DbKey(DbKey&& other) noexcept : m_password(std::move(other.m_password))
{
    other.m_password.clear();
}

DbKey& DbKey::operator=(DbKey other) noexcept
{
    // The old bytes go with `other`, which wipes them.
    m_password.swap(other.m_password);
    return *this;
}

DbKey::~DbKey()
{
    wipe();
}

void DbKey::wipe()
{
    WipeBytes(m_password.data(), m_password.size());
    m_password.clear();
}

const char* DbKey::data() const
{
    return isFixed() ? DbFile::kPassword : m_password.data();
}

int DbKey::size() const
{
    return isFixed() ? static_cast<int>(std::strlen(DbFile::kPassword)) : static_cast<int>(m_password.size());
}
