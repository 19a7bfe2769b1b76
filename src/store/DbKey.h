#pragma once

#include <QString>
#include <vector>

// What a database file is keyed with: the program's fixed key, or the login
// password itself (the engine derives the page key from it). The bytes are
// wiped when the key goes.
class DbKey
{
public:
    // The fixed key every file without a login password has.
    DbKey() = default;
    // The password as the key; an empty password means the fixed key.
    static DbKey fromPassword(const QString& password);

    DbKey(const DbKey& other) = default;
    DbKey(DbKey&& other) noexcept;
    DbKey& operator=(DbKey other) noexcept;
    ~DbKey();

    bool isFixed() const
    {
        return m_password.empty();
    }
    // The bytes to hand to the engine.
    const char* data() const;
    int size() const;

    bool operator==(const DbKey& other) const
    {
        return m_password == other.m_password;
    }

private:
    void wipe();
    std::vector<char> m_password; // UTF-8; empty for the fixed key
};
