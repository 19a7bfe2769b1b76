#include "BookmarkCommands.h"

#include "UrlsTab.h"
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "groups/ImportCommands.h"
#include "groups/TZentTree.h"
#include "store/BookmarkTransfer.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kFilter = QStringLiteral("书签文件 (*.html *.htm);;所有文件 (*)");

} // namespace

void ImportBookmarksCommand(UrlsTab& tab)
{
    const QString path = FileDialogs::getOpenFileName(tab.window(), kFilter);
    if (path.isEmpty()) {
        return;
    }
    const int group = tab.SelectedGroup();
    BookmarkImportResult result;
    {
        BusyCursor busy;
        result = ImportBookmarkFile(path, group);
    }
    // The new groups appear at once, and the group imported into is shown.
    ReloadAndSelect(*tab.IETypeTree, group);
    tab.FillGrid(group);
    ShowInfo(ImportSummary(result));
}

void ExportBookmarksCommand(UrlsTab& tab)
{
    QString path = FileDialogs::getSaveFileName(tab.window(), kFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".html");
    }
    // The save dialog asks nothing (a backup replaces its file): an older file is
    // replaced only when the user says so.
    if (QFileInfo::exists(path) &&
        !AskConfirm(QStringLiteral("文件“%1”已存在，要替换它吗？").arg(QDir::toNativeSeparators(path)))) {
        return;
    }
    BookmarkExportResult result;
    {
        BusyCursor busy;
        result = ExportBookmarkFile(path, tab.SelectedGroup());
    }
    ShowInfo(ExportSummary(result, path));
}
