#pragma once

#include <QList>
#include <QString>
#include <functional>

struct sqlite3;

// One search over every note, web address and reminder: Latin letters A-Z match
// regardless of case, every other character only itself, from one character up.
namespace SearchAll {

// A note group whose name or note holds the text.
struct NoteHit
{
    int group = 0;
    QString path;    // 根目录->工作->周报
    QString snippet; // one line around the first match in the note; its start without one
    int matches = 0; // how often the note holds the text
};

struct UrlHit
{
    QString id;
    int group = 0; // as filed; a group that is gone reads as the root
    QString title;
    QString address;
    QString remark;
    QString path; // 全部->工作
};

struct AlamHit
{
    QString id;
    QString due; // "每天  HH:mm:ss" or "yyyy-MM-dd HH:mm:ss"
    QString text;
};

struct Results
{
    QString text; // what was searched for
    QList<NoteHit> notes;
    int noteCount = 0; // all hits, also those past the cap
    QList<UrlHit> urls;
    int urlCount = 0;
    QList<AlamHit> alams;
    int alamCount = 0;
    QString error; // the engine's text when the search failed
};

// At most this many hits of each kind are listed.
inline constexpr int kCap = 200;
// Longer texts are not searched for.
inline constexpr int kMaxText = 1000;

// One line of text around [at, at + length): line breaks as blanks, "…" where cut.
QString Snippet(const QString& text, qsizetype at, qsizetype length);

// Searches the connection's data; stale() is asked now and then, and a true
// answer ends the search early with whatever was found (the caller drops it).
// Engine failures raise EngineError.
Results Run(sqlite3* db, const QString& text, const std::function<bool()>& stale);
// Reads every searched row once, so that the first search finds them decrypted
// in the connection's cache.
void Warm(sqlite3* db, const std::function<bool()>& stale);

} // namespace SearchAll
