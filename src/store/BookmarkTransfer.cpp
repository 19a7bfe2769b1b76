#include "BookmarkTransfer.h"

#include "ImportGroups.h"
#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"
#include "TDbAccess.h"
#include "base/Clock.h"
#include "base/Exceptions.h"
#include "base/FileReasons.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>

namespace {

// Larger than any browser's export of a lifetime's bookmarks with their icons.
constexpr qint64 kMaxFileBytes = qint64(512) * 1024 * 1024;

const QString kRootCaption = QStringLiteral("全部");

class Importer
{
public:
    Importer(sqlite3* db, BookmarkImportResult& result)
        : m_groups(db, QStringLiteral("IEType"), kRootCaption), m_insert(db, Sql::IEImport.toUtf8()), m_result(result)
    {
        Statement rows(db, Sql::IEAll.toUtf8());
        while (rows.step()) {
            m_saved[static_cast<int>(rows.int64(0))].insert(rows.text(1));
        }
    }

    void fileInto(const BookmarkFolder& folder, int group)
    {
        QSet<QString>& saved = m_saved[group];
        for (const BookmarkLink& link : folder.links) {
            if (link.url.trimmed().isEmpty() || BookmarkFile::IsRefusedUrl(link.url)) {
                ++m_result.refused;
            } else if (saved.contains(link.url)) {
                ++m_result.skipped;
            } else {
                m_insert.reset();
                m_insert.bindInt64(1, group);
                m_insert.bind(2, link.url);
                m_insert.bind(3, link.title);
                m_insert.bind(4, link.remark);
                m_insert.run();
                saved.insert(link.url);
                ++m_result.added;
            }
        }
        for (const BookmarkFolder& sub : folder.folders) {
            int into = m_groups.child(group, sub.name);
            if (into < 0) {
                into = m_groups.add(group, sub.name);
            }
            fileInto(sub, into);
        }
        m_result.groups = m_groups.added();
    }

private:
    ImportGroups m_groups;
    Statement m_insert;
    QHash<int, QSet<QString>> m_saved;
    BookmarkImportResult& m_result;
};

} // namespace

BookmarkImportResult ImportBookmarks(const BookmarkFolder& tree, int group)
{
    BookmarkImportResult result;
    DbAccess->Transaction([&](sqlite3* db) {
        Importer importer(db, result);
        importer.fileInto(tree, group);
    });
    return result;
}

BookmarkImportResult ImportBookmarkFile(const QString& path, int group)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EAppError(
            QStringLiteral("无法打开书签文件 %1：%2").arg(QDir::toNativeSeparators(path), ReadFailureReason(path)));
    }
    if (file.size() > kMaxFileBytes) {
        throw EAppError(
            QStringLiteral("书签文件 %1 太大（超过 512 MB），未导入。").arg(QDir::toNativeSeparators(path)));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EAppError(
            QStringLiteral("无法读取书签文件 %1：%2").arg(QDir::toNativeSeparators(path), ReadFailureReason(path)));
    }
    return ImportBookmarks(BookmarkFile::Parse(BookmarkFile::Decode(bytes)), group);
}

QString ImportSummary(const BookmarkImportResult& r)
{
    return QStringLiteral("书签导入完成：新增 %1 个网址，跳过 %2 个已保存的网址，拒绝 %3 个不能保存的地址"
                          "（javascript:、data: 或空地址）；新建 %4 个分组。")
        .arg(r.added)
        .arg(r.skipped)
        .arg(r.refused)
        .arg(r.groups);
}

BookmarkFolder ExportBookmarks(int group)
{
    struct Group
    {
        int parent = 0;
        QString name;
    };
    QHash<int, Group> groups;
    QHash<int, QList<int>> children;
    QList<int> order;
    QHash<int, QList<BookmarkLink>> links;
    DbAccess->Transaction([&](sqlite3* db) {
        Statement rows(db, SqlFormat(Sql::TreeLoad, {QStringLiteral("IEType")}).toUtf8());
        while (rows.step()) {
            const int self = static_cast<int>(rows.int64(0));
            if (!groups.contains(self)) {
                groups.insert(self, {static_cast<int>(rows.int64(1)), rows.text(2)});
                order.append(self);
            }
        }
        Statement ie(db, Sql::IEAll.toUtf8());
        while (ie.step()) {
            links[static_cast<int>(ie.int64(0))].append({ie.text(2), ie.text(1), ie.text(3)});
        }
    });
    // As the tree shows them: a group whose parent is gone stands under the root.
    for (int self : order) {
        const int parent = groups[self].parent;
        children[parent != self && groups.contains(parent) ? parent : 0].append(self);
    }
    // Built from the deepest groups up, so that deep trees need no deep recursion.
    QHash<int, BookmarkFolder> built;
    QList<int> walk{group};
    for (qsizetype i = 0; i < walk.size(); ++i) {
        walk.append(children.value(walk[i]));
    }
    for (qsizetype i = walk.size() - 1; i >= 0; --i) {
        const int self = walk[i];
        BookmarkFolder folder{self == 0 ? QString() : groups.value(self).name, links.take(self), {}};
        for (int child : children.value(self)) {
            folder.folders.append(built.take(child));
        }
        built.insert(self, std::move(folder));
    }
    BookmarkFolder result = built.take(group);
    if (group == 0) {
        // Addresses filed under a number that no group bears are listed under the
        // root, so the file holds them too.
        for (auto it = links.begin(); it != links.end(); ++it) {
            if (!groups.contains(it.key())) {
                result.links.append(it.value());
            }
        }
        return result;
    }
    BookmarkFolder top;
    top.folders.append(std::move(result));
    return top;
}

namespace {

void count(const BookmarkFolder& folder, BookmarkExportResult& result, bool isGroup)
{
    result.groups += isGroup ? 1 : 0;
    result.links += static_cast<int>(folder.links.size());
    for (const BookmarkFolder& sub : folder.folders) {
        count(sub, result, true);
    }
}

} // namespace

BookmarkExportResult ExportBookmarkFile(const QString& path, int group)
{
    const BookmarkFolder tree = ExportBookmarks(group);
    BookmarkExportResult result;
    count(tree, result, false);
    QSaveFile file(path);
    const QByteArray bytes = BookmarkFile::Write(tree, Clock::now().toSecsSinceEpoch());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw EAppError(
            QStringLiteral("无法写入书签文件 %1：%2").arg(QDir::toNativeSeparators(path), WriteFailureReason(path)));
    }
    return result;
}

QString ExportSummary(const BookmarkExportResult& r, const QString& path)
{
    return QStringLiteral("书签导出完成：%1 个分组、%2 个网址已写入 %3")
        .arg(r.groups)
        .arg(r.links)
        .arg(QDir::toNativeSeparators(path));
}
