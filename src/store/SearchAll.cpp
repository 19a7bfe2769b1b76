#include "SearchAll.h"

#include "JetDialect.h"
#include "SqlText.h"
#include "Statement.h"
#include "Statements.h"
#include "base/LatinCaseless.h"

#include <QHash>
#include <QSet>
#include <cstring>
#include <sqlcipher/sqlite3.h>

namespace SearchAll {

namespace {

constexpr int kBefore = 20; // characters of context before a match
constexpr int kLength = 80; // characters of a snippet at most

// Names and parents of one group table, for the paths of the hits.
class GroupPaths
{
public:
    GroupPaths(sqlite3* db, const QString& table, QString root) : m_root(std::move(root))
    {
        Statement rows(db, SqlFormat(Sql::TreeLoad, {table}).toUtf8());
        while (rows.step()) {
            m_groups.insert(static_cast<int>(rows.int64(0)), {static_cast<int>(rows.int64(1)), rows.text(2)});
        }
    }

    bool contains(int group) const
    {
        return m_groups.contains(group);
    }

    // From the root down; a parent that is gone, or a loop in the rows, ends the
    // walk at the root, where the tree shows such a group too.
    QString path(int group) const
    {
        QStringList parts;
        QSet<int> seen;
        for (auto it = m_groups.constFind(group); it != m_groups.constEnd() && !seen.contains(it.key());
             it = m_groups.constFind(it->parent)) {
            seen.insert(it.key());
            parts.prepend(it->name);
        }
        parts.prepend(m_root);
        return parts.join(QStringLiteral("->"));
    }

private:
    struct Group
    {
        int parent;
        QString name;
    };
    QString m_root;
    QHash<int, Group> m_groups;
};

inline unsigned char foldByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool sameFolded(const unsigned char* text, const unsigned char* folded, size_t n)
{
    for (size_t k = 0; k < n; ++k) {
        if (foldByte(text[k]) != folded[k]) {
            return false;
        }
    }
    return true;
}

// Whether UTF-8 text holds the folded needle, A-Z matching a-z. Bytes of other
// characters never fall in A-Z, so folding bytes folds exactly the Latin letters.
bool holdsFolded(const unsigned char* text, size_t size, const unsigned char* folded, size_t n)
{
    if (n == 0) {
        return true;
    }
    if (n > size) {
        return false;
    }
    const unsigned char first = folded[0];
    const bool letter = first >= 'a' && first <= 'z';
    const unsigned char other = letter ? static_cast<unsigned char>(first - ('a' - 'A')) : first;
    const size_t last = size - n; // the last place a match can start
    const auto* end = text + last + 1;
    // The next place of each case of the first byte; the nearer one is tried.
    auto next = [end](const unsigned char* from, unsigned char c) {
        const void* at = std::memchr(from, c, static_cast<size_t>(end - from));
        return at ? static_cast<const unsigned char*>(at) : end;
    };
    const unsigned char* lower = next(text, first);
    const unsigned char* upper = letter ? next(text, other) : end;
    while (lower < end || upper < end) {
        const unsigned char* at = std::min(lower, upper);
        if (sameFolded(at + 1, folded + 1, n - 1)) {
            return true;
        }
        if (at == lower) {
            lower = next(at + 1, first);
        } else {
            upper = next(at + 1, other);
        }
    }
    return false;
}

// holds(text, needle): 1 when the text holds the needle, Latin letters A-Z
// matching regardless of case; 0 for a null text.
void holdsFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* text = sqlite3_value_text(argv[0]);
    const auto* needle = sqlite3_value_text(argv[1]);
    if (!text || !needle) {
        sqlite3_result_int(context, 0);
        return;
    }
    const size_t size = static_cast<size_t>(sqlite3_value_bytes(argv[0]));
    const size_t n = static_cast<size_t>(sqlite3_value_bytes(argv[1]));
    // The needle is the same for every row: folded once and kept with the statement.
    auto* folded = static_cast<const unsigned char*>(sqlite3_get_auxdata(context, 1));
    QByteArray local;
    if (!folded) {
        local.resize(static_cast<qsizetype>(n));
        for (size_t k = 0; k < n; ++k) {
            local[static_cast<qsizetype>(k)] = static_cast<char>(foldByte(needle[k]));
        }
        if (void* kept = sqlite3_malloc64(n + 1)) {
            std::memcpy(kept, local.constData(), n);
            sqlite3_set_auxdata(context, 1, kept, sqlite3_free);
        }
        folded = reinterpret_cast<const unsigned char*>(local.constData());
    }
    sqlite3_result_int(context, holdsFolded(text, size, folded, n) ? 1 : 0);
}

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Never cut between the two halves of a character outside the basic plane.
qsizetype clampToCharacter(const QString& text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate()) {
        return at - 1;
    }
    return at;
}

void searchNotes(sqlite3* db, const QString& statement, const QString& text, const std::function<bool()>& stale,
                 std::unique_ptr<GroupPaths>& paths, Results& out)
{
    Statement rows(db, statement.toUtf8());
    rows.bind(1, text);
    while (rows.step()) {
        if (stale()) {
            return;
        }
        if (++out.noteCount > kCap) {
            continue;
        }
        if (!paths) {
            paths = std::make_unique<GroupPaths>(db, QStringLiteral("NoteType"), QStringLiteral("根目录"));
        }
        NoteHit hit;
        hit.group = static_cast<int>(rows.int64(0));
        hit.path = paths->path(hit.group);
        const QString note = rows.text(1);
        qsizetype at = FindLatinCaseless(note, text, 0);
        const qsizetype first = at;
        while (at >= 0) {
            ++hit.matches;
            at = FindLatinCaseless(note, text, at + text.size());
        }
        hit.snippet = first >= 0 ? Snippet(note, first, text.size()) : Snippet(note, 0, 0);
        out.notes.append(hit);
    }
}

void searchUrls(sqlite3* db, const QString& text, const std::function<bool()>& stale, Results& out)
{
    Statement rows(db, Sql::SearchUrls.toUtf8());
    rows.bind(1, text);
    std::unique_ptr<GroupPaths> paths;
    while (rows.step()) {
        if (stale()) {
            return;
        }
        if (++out.urlCount > kCap) {
            continue;
        }
        if (!paths) {
            paths = std::make_unique<GroupPaths>(db, QStringLiteral("IEType"), QStringLiteral("全部"));
        }
        UrlHit hit;
        hit.id = rows.text(0);
        hit.group = static_cast<int>(rows.int64(1));
        hit.title = rows.text(2);
        hit.address = rows.text(3);
        hit.remark = rows.text(4);
        hit.path = paths->path(hit.group);
        out.urls.append(hit);
    }
}

void searchAlams(sqlite3* db, const QString& text, const std::function<bool()>& stale, Results& out)
{
    Statement rows(db, Sql::SearchAlams.toUtf8());
    rows.bind(1, text);
    while (rows.step()) {
        if (stale()) {
            return;
        }
        if (++out.alamCount > kCap) {
            continue;
        }
        AlamHit hit;
        hit.id = rows.text(0);
        const QTime time = Jet::fromDays(rows.value(1).toDouble()).time();
        if (rows.int64(3) != 0) {
            hit.due = QStringLiteral("每天  ") + time.toString(QStringLiteral("HH:mm:ss"));
        } else {
            const QDate date = Jet::fromDays(rows.value(2).toDouble()).date();
            hit.due = QDateTime(date, time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        hit.text = rows.text(4);
        out.alams.append(hit);
    }
}

} // namespace

QString Snippet(const QString& text, qsizetype at, qsizetype length)
{
    qsizetype from = clampToCharacter(text, std::max<qsizetype>(0, at - kBefore));
    qsizetype to = std::min(text.size(), std::max(from + kLength, at + length));
    to = clampToCharacter(text, to);
    // A match near the note's end still gets its context before it.
    if (to - from < kLength) {
        from = clampToCharacter(text, std::max<qsizetype>(0, to - kLength));
    }
    QString piece = oneLine(text.mid(from, to - from));
    if (from > 0) {
        piece.prepend(QStringLiteral("…"));
    }
    if (to < text.size()) {
        piece += QStringLiteral("…");
    }
    return piece;
}

namespace {

void registerHolds(sqlite3* db)
{
    if (sqlite3_create_function_v2(db, "holds", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &holdsFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK) {
        throw EngineError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

} // namespace

void Warm(sqlite3* db, const std::function<bool()>& stale)
{
    registerHolds(db);
    // The empty text is in every row: each statement reads all the rows it searches.
    for (const QString& statement : {Sql::SearchRootNote, Sql::SearchNotes, Sql::SearchUrls, Sql::SearchAlams}) {
        Statement rows(db, statement.toUtf8());
        rows.bind(1, QStringLiteral(""));
        while (rows.step() && !stale()) {
        }
    }
}

Results Run(sqlite3* db, const QString& text, const std::function<bool()>& stale)
{
    Results out;
    out.text = text;
    if (text.isEmpty()) {
        return out;
    }
    registerHolds(db);
    std::unique_ptr<GroupPaths> notePaths;
    searchNotes(db, Sql::SearchRootNote, text, stale, notePaths, out);
    searchNotes(db, Sql::SearchNotes, text, stale, notePaths, out);
    searchUrls(db, text, stale, out);
    searchAlams(db, text, stale, out);
    return out;
}

} // namespace SearchAll
