#pragma once

#include "BookmarkFile.h"

#include <QString>

// Bookmarks in and out of the saved web addresses.
struct BookmarkImportResult
{
    int added = 0;
    int skipped = 0; // already saved in the same group
    int refused = 0; // script and data addresses, and links without one
    int groups = 0;  // groups made
};

// Files the tree's links under `group` (0 for the root) and its folders as
// groups beneath it, nested the same way; a folder whose name a group directly
// beneath already bears is filed into that group. All in one transaction:
// either everything lands or, on any failure, nothing.
BookmarkImportResult ImportBookmarks(const BookmarkFolder& tree, int group);
// Reads a bookmark file and imports it as above.
BookmarkImportResult ImportBookmarkFile(const QString& path, int group);
// The words that tell the user what an import did.
QString ImportSummary(const BookmarkImportResult& result);

struct BookmarkExportResult
{
    int groups = 0;
    int links = 0;
};

// A group as a folder holding its addresses and subgroups; for 0 the whole
// tree, with the root's addresses, and any filed under a group that is gone,
// at the top.
BookmarkFolder ExportBookmarks(int group);
// Writes the file whole or not at all (a failure leaves any older file as it was).
BookmarkExportResult ExportBookmarkFile(const QString& path, int group);
QString ExportSummary(const BookmarkExportResult& result, const QString& path);
