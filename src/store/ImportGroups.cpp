#include "ImportGroups.h"

#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"

ImportGroups::ImportGroups(sqlite3* db, const QString& table, const QString& rootCaption)
    : m_db(db), m_insert(SqlFormat(Sql::TreeImport, {table}))
{
    m_names.insert(rootCaption);
    m_numbers.insert(0);
    Statement rows(db, SqlFormat(Sql::TreeLoad, {table}).toUtf8());
    while (rows.step()) {
        const int self = static_cast<int>(rows.int64(0));
        const int parent = static_cast<int>(rows.int64(1));
        const QString name = rows.text(2);
        m_names.insert(name);
        m_numbers.insert(self);
        m_children[parent].insert(name, self);
    }
    const QString records = table.compare(QLatin1String("IEType"), Qt::CaseInsensitive) == 0
                                ? QStringLiteral("IE")
                                : QStringLiteral("NoteBook");
    Statement max(db, SqlFormat(Sql::TreeMaxIndex, {table, records}).toUtf8());
    m_max = max.step() ? static_cast<int>(max.int64(0)) : 0;
}

int ImportGroups::child(int parent, const QString& name) const
{
    return m_children.value(parent).value(name, -1);
}

bool ImportGroups::exists(int group) const
{
    return m_numbers.contains(group);
}

QString ImportGroups::uniqueName(const QString& name)
{
    if (!m_names.contains(name)) {
        return name;
    }
    const QString base = name.isEmpty() ? QStringLiteral("未命名") : name;
    // Counting on from the last number given: ten thousand folders of one name
    // must not each count from 2.
    int& n = m_nextNumber[base];
    for (n = std::max(n, 2);; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)").arg(base).arg(n);
        if (!m_names.contains(candidate)) {
            return candidate;
        }
    }
}

int ImportGroups::add(int parent, const QString& name)
{
    const QString unique = uniqueName(name);
    const int self = ++m_max;
    Statement insert(m_db, m_insert.toUtf8());
    insert.bindInt64(1, self);
    insert.bindInt64(2, parent);
    insert.bind(3, unique);
    insert.run();
    m_names.insert(unique);
    m_numbers.insert(self);
    // Found again by the name it was asked for, so that a second folder of the
    // same name beside it lands in it.
    m_children[parent].insert(name, self);
    m_children[parent].insert(unique, self);
    ++m_added;
    return self;
}
