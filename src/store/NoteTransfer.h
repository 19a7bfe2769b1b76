#pragma once

#include <QString>

// Notes out to a folder tree and in from one: a folder per group named after it,
// and the group's note as a UTF-8 text file inside, named after the folder with
// ".txt" ("周报/周报.txt"). Reading, any other .txt or .md file becomes a group
// of its own holding the file's text.

struct NoteExportResult
{
    int groups = 0;
    int notes = 0;
    QString folder; // the folder written, inside the destination
};

// Writes the group (0 for the root, "根目录") and its subgroups as a new folder
// inside `destination`, made when missing. Never writes into anything already
// there: a name in use is numbered. Whole or not at all.
NoteExportResult ExportNotes(int group, const QString& destination);
QString NoteExportSummary(const NoteExportResult& result);

struct NoteImportResult
{
    int groups = 0;
    int notes = 0;
    int skipped = 0; // files that are not .txt or .md, or too large
};

// Reads the folder as a new group under `group`, its folders as subgroups, in
// one transaction. Group names stay unique across the tree: a name in use is
// numbered "名称 (2)". Raises EAppError before writing anything when the folder
// or one of its files cannot be read.
NoteImportResult ImportNotes(const QString& folder, int group);
QString NoteImportSummary(const NoteImportResult& result);

namespace NoteFiles {

// A group name as a file name every common file system takes: without
// / \ : * ? " < > | and control characters, without leading dots and
// trailing dots and blanks, not a reserved device name (CON, NUL, COM1…),
// at most 200 bytes, never empty.
QString SafeName(const QString& name);
// The note file inside a group's folder.
QString NoteFileName(const QString& folderName);

} // namespace NoteFiles
