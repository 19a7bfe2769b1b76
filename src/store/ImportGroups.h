#pragma once

#include <QHash>
#include <QSet>
#include <QString>

struct sqlite3;

// The groups an import adds to a group table (IEType or NoteType), inside the
// caller's transaction. Names stay unique across the whole tree, the root's
// caption included, as the tree's own rule wants: a name in use is numbered
// "名称 (2)", "名称 (3)"… Numbers go past every number in use.
class ImportGroups
{
public:
    ImportGroups(sqlite3* db, const QString& table, const QString& rootCaption);

    // The group directly under `parent` named exactly `name`, or -1.
    int child(int parent, const QString& name) const;
    // Adds a group under `parent` and returns its number.
    int add(int parent, const QString& name);
    // Whether a group of that number is in the table (0, the root, always is).
    bool exists(int group) const;
    int added() const
    {
        return m_added;
    }

private:
    QString uniqueName(const QString& name);

    sqlite3* m_db;
    QString m_insert;
    QSet<QString> m_names;
    QHash<int, QHash<QString, int>> m_children;
    QSet<int> m_numbers;
    QHash<QString, int> m_nextNumber;
    int m_max = 0;
    int m_added = 0;
};
