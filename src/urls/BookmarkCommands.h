#pragma once

class UrlsTab;

// "导入书签…" and "导出书签…" of the URL tree's menu: a bookmark file read into
// the selected group, or the selected group (all groups for the root) written.
void ImportBookmarksCommand(UrlsTab& tab);
void ExportBookmarksCommand(UrlsTab& tab);
