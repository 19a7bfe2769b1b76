#include "NoteTransfer.h"

#include "ImportGroups.h"
#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"
#include "TDbAccess.h"
#include "base/Exceptions.h"
#include "base/FileReasons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxNameBytes = 200;
constexpr int kMaxDepth = 200;
constexpr qint64 kMaxNoteBytes = qint64(100) * 1024 * 1024;

const QString kRootCaption = QStringLiteral("根目录");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool isNoteFile(const QFileInfo& info)
{
    const QString suffix = info.suffix().toLower();
    return suffix == u"txt" || suffix == u"md";
}

// A text file's text: a byte-order mark, else UTF-8, else the Chinese Windows
// page, which is what a text file that is not UTF-8 most likely is here. Line
// breaks as the note box keeps them.
QString decodeText(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        text = QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8(bytes);
        if (utf8.hasError()) {
            text = QStringDecoder("GB18030")(bytes);
        }
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// Names handed out inside one folder, compared as a file system that ignores
// case would.
class FolderNames
{
public:
    QString take(const QString& wanted)
    {
        QString name = wanted;
        for (int n = 2; m_used.contains(name.toCaseFolded()); ++n) {
            name = QStringLiteral("%1 (%2)").arg(wanted).arg(n);
        }
        m_used.insert(name.toCaseFolded());
        return name;
    }

private:
    QSet<QString> m_used;
};

struct Group
{
    int parent = 0;
    QString name;
    QList<int> children;
};

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        throw EAppError(QStringLiteral("无法写入文件 %1：%2").arg(shown(path), WriteFailureReason(path)));
    }
}

void makeFolder(const QString& path)
{
    if (!QDir().mkdir(path)) {
        const QString reason =
            QFile::encodeName(path).size() >= 4000 ? QStringLiteral("路径太长") : WriteFailureReason(path);
        throw EAppError(QStringLiteral("无法创建文件夹 %1：%2").arg(shown(path), reason));
    }
}

struct ImportNode
{
    QString name;
    bool hasNote = false;
    QString note;
    std::vector<std::unique_ptr<ImportNode>> children;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw EAppError(QStringLiteral("无法读取文件 %1：%2").arg(shown(path), ReadFailureReason(path)));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw EAppError(QStringLiteral("无法读取文件 %1：%2").arg(shown(path), ReadFailureReason(path)));
    }
    return bytes;
}

void readFolder(const QString& path, ImportNode& node, int depth, NoteImportResult& result)
{
    const QDir dir(path);
    if (!dir.isReadable()) {
        throw EAppError(QStringLiteral("无法读取文件夹 %1").arg(shown(path)));
    }
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
    // The folder's own note: the file named after it.
    const QString own = NoteFiles::NoteFileName(node.name).toCaseFolded();
    const QString ownMd = (node.name + QStringLiteral(".md")).toCaseFolded();
    for (const QFileInfo& info : entries) {
        if (info.isFile() && (info.fileName().toCaseFolded() == own || info.fileName().toCaseFolded() == ownMd) &&
            !node.hasNote) {
            if (info.size() > kMaxNoteBytes) {
                ++result.skipped;
                continue;
            }
            node.hasNote = true;
            node.note = decodeText(readFile(info.absoluteFilePath()));
            continue;
        }
        if (info.fileName().startsWith(u'.')) {
            continue; // hidden: settings of other programs, not notes
        }
        if (info.isDir()) {
            // A link to a folder could lead back up: only real folders are read.
            if (info.isSymLink() || depth >= kMaxDepth) {
                ++result.skipped;
                continue;
            }
            auto child = std::make_unique<ImportNode>();
            child->name = info.fileName();
            readFolder(info.absoluteFilePath(), *child, depth + 1, result);
            node.children.push_back(std::move(child));
        } else if (info.isFile() && isNoteFile(info) && info.size() <= kMaxNoteBytes) {
            auto child = std::make_unique<ImportNode>();
            child->name = info.completeBaseName();
            child->hasNote = true;
            child->note = decodeText(readFile(info.absoluteFilePath()));
            node.children.push_back(std::move(child));
        } else {
            ++result.skipped;
        }
    }
}

void store(const ImportNode& node, int parent, ImportGroups& groups, Statement& insert, NoteImportResult& result)
{
    const int self = groups.add(parent, node.name);
    if (node.hasNote) {
        insert.reset();
        insert.bindInt64(1, self);
        insert.bind(2, node.note);
        insert.run();
        ++result.notes;
    }
    for (const auto& child : node.children) {
        store(*child, self, groups, insert, result);
    }
}

} // namespace

namespace NoteFiles {

QString SafeName(const QString& name)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) || forbidden.contains(c)) {
            continue;
        }
        out += c;
    }
    auto trimEnds = [&out] {
        qsizetype b = 0;
        while (b < out.size() && (out[b].isSpace() || out[b] == u'.')) {
            ++b;
        }
        qsizetype e = out.size();
        while (e > b && (out[e - 1].isSpace() || out[e - 1] == u'.')) {
            --e;
        }
        out = out.mid(b, e - b);
    };
    trimEnds();
    // Cut at a character's edge to the byte limit most file systems have room for,
    // with space left for a number and ".txt".
    if (out.toUtf8().size() > kMaxNameBytes) {
        qsizetype bytes = 0;
        qsizetype i = 0;
        while (i < out.size()) {
            const qsizetype step = out[i].isHighSurrogate() && i + 1 < out.size() ? 2 : 1;
            const qsizetype size = out.mid(i, step).toUtf8().size();
            if (bytes + size > kMaxNameBytes) {
                break;
            }
            bytes += size;
            i += step;
        }
        out.truncate(i);
        trimEnds();
    }
    static const QSet<QString> reserved = [] {
        QSet<QString> names{"con", "prn", "aux", "nul"};
        for (int i = 1; i <= 9; ++i) {
            names << QStringLiteral("com%1").arg(i) << QStringLiteral("lpt%1").arg(i);
        }
        return names;
    }();
    const qsizetype dot = out.indexOf(u'.');
    if (reserved.contains(out.left(dot).toLower())) {
        out.insert(dot < 0 ? out.size() : dot, u'_');
    }
    return out.isEmpty() ? QStringLiteral("未命名") : out;
}

QString NoteFileName(const QString& folderName)
{
    return folderName + QStringLiteral(".txt");
}

} // namespace NoteFiles

NoteExportResult ExportNotes(int group, const QString& destination)
{
    QHash<int, Group> groups;
    QList<int> order;
    QHash<int, QString> notes;
    DbAccess->Transaction([&](sqlite3* db) {
        Statement rows(db, SqlFormat(Sql::TreeLoad, {QStringLiteral("NoteType")}).toUtf8());
        while (rows.step()) {
            const int self = static_cast<int>(rows.int64(0));
            if (!groups.contains(self)) {
                groups.insert(self, {static_cast<int>(rows.int64(1)), rows.text(2), {}});
                order.append(self);
            }
        }
        Statement text(db, Sql::NoteAll.toUtf8());
        while (text.step()) {
            const int owner = static_cast<int>(text.int64(0));
            if (!notes.contains(owner)) {
                notes.insert(owner, text.text(1));
            }
        }
    });
    groups.insert(0, {0, kRootCaption, {}});
    // As the tree shows them: a group whose parent is gone stands under the root.
    for (int self : order) {
        const int parent = groups[self].parent;
        groups[parent != self && groups.contains(parent) ? parent : 0].children.append(self);
    }
    if (!groups.contains(group)) {
        throw EAppError(QStringLiteral("要导出的分组已不存在。"));
    }

    if (QFileInfo(destination).isFile()) {
        throw EAppError(QStringLiteral("无法导出到 %1：这是文件，不是文件夹").arg(shown(destination)));
    }
    if (!QDir().mkpath(destination)) {
        throw EAppError(
            QStringLiteral("无法创建文件夹 %1：%2").arg(shown(destination), WriteFailureReason(destination)));
    }
    const QDir into(destination);
    const QString wanted = NoteFiles::SafeName(groups[group].name);
    QString finalName = wanted;
    for (int n = 2; QFileInfo::exists(into.filePath(finalName)); ++n) {
        finalName = QStringLiteral("%1 (%2)").arg(wanted).arg(n);
    }
    // Written apart first and moved into place whole, so that a failure leaves
    // nothing half-written behind.
    QTemporaryDir staging(into.filePath(QStringLiteral(".vornet-halvik-export-XXXXXX")));
    if (!staging.isValid()) {
        throw EAppError(QStringLiteral("无法在 %1 中写入：%2")
                            .arg(shown(destination), WriteFailureReason(into.filePath(finalName))));
    }
    NoteExportResult result;
    struct Pending
    {
        int group;
        QString path;
        QString name;
    };
    const QString top = staging.filePath(finalName);
    QList<Pending> walk{{group, top, finalName}};
    while (!walk.isEmpty()) {
        const Pending at = walk.takeLast();
        makeFolder(at.path);
        ++result.groups;
        FolderNames names;
        const QString noteFile = names.take(NoteFiles::NoteFileName(at.name));
        if (const auto note = notes.constFind(at.group); note != notes.constEnd() && !note->isEmpty()) {
            writeFile(at.path + u'/' + noteFile, *note);
            ++result.notes;
        }
        for (int child : groups[at.group].children) {
            const QString name = names.take(NoteFiles::SafeName(groups[child].name));
            walk.append({child, at.path + u'/' + name, name});
        }
    }
    result.folder = into.filePath(finalName);
    if (!QDir().rename(top, result.folder)) {
        throw EAppError(
            QStringLiteral("无法创建文件夹 %1：%2").arg(shown(result.folder), WriteFailureReason(result.folder)));
    }
    return result;
}

QString NoteExportSummary(const NoteExportResult& r)
{
    return QStringLiteral("笔记导出完成：%1 个分组、%2 篇笔记已写入 %3")
        .arg(r.groups)
        .arg(r.notes)
        .arg(shown(r.folder));
}

NoteImportResult ImportNotes(const QString& folder, int group)
{
    const QFileInfo info(folder);
    if (!info.isDir()) {
        throw EAppError(QStringLiteral("找不到文件夹 %1").arg(shown(folder)));
    }
    NoteImportResult result;
    ImportNode root;
    root.name = info.canonicalFilePath() == QDir::rootPath() ? QStringLiteral("未命名")
                                                             : QFileInfo(info.canonicalFilePath()).fileName();
    readFolder(info.absoluteFilePath(), root, 0, result);
    DbAccess->Transaction([&](sqlite3* db) {
        ImportGroups groups(db, QStringLiteral("NoteType"), kRootCaption);
        if (!groups.exists(group)) {
            throw EAppError(QStringLiteral("要导入到的分组已不存在。"));
        }
        Statement insert(db, Sql::NoteImport.toUtf8());
        store(root, group, groups, insert, result);
        result.groups = groups.added();
    });
    return result;
}

QString NoteImportSummary(const NoteImportResult& r)
{
    return QStringLiteral("笔记导入完成：新建 %1 个分组，导入 %2 篇笔记；跳过 %3 个文件"
                          "（不是 .txt、.md 文件，或大于 100 MB）。")
        .arg(r.groups)
        .arg(r.notes)
        .arg(r.skipped);
}
