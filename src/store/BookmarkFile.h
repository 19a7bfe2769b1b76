#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The bookmark HTML file that browsers import and export: folders (H3) holding
// links (A, with an optional DD description) and further folders, each folder's
// contents in a DL list.
struct BookmarkLink
{
    QString title;
    QString url;
    QString remark;
};

struct BookmarkFolder
{
    QString name;
    QList<BookmarkLink> links;
    QList<BookmarkFolder> folders;
};

namespace BookmarkFile {

// The file's text: a byte-order mark first, else the charset its META names,
// else UTF-8, else GB18030. Raises EAppError for a charset it cannot read.
QString Decode(const QByteArray& bytes);

// Reads a bookmark file's text into a tree whose root stands for the file
// itself (its links and folders are the top level). Tolerant of what browsers
// and hand edits leave: tags in any case, unclosed or missing DT, DD, P and DL,
// attributes with or without quotes, entities named or numeric, a truncated
// end. Raises EAppError when the text is not a bookmark file at all.
BookmarkFolder Parse(const QString& text);

// The file that Parse reads back to the same tree: UTF-8, one line per entry
// (line-based importers read it too), every line break and edge blank of a text
// written as a character reference so that nothing of it is lost. addDate is
// the seconds since 1970 written as every entry's ADD_DATE.
QByteArray Write(const BookmarkFolder& root, qint64 addDate);

// Addresses that run code or carry their own content instead of naming a page.
bool IsRefusedUrl(const QString& url);

} // namespace BookmarkFile
