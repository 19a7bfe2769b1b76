#include "BookmarkCommands.h"

#include "UrlsTab.h"
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "groups/TZentTree.h"
#include "store/BookmarkTransfer.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

const QString kFilter = QStringLiteral("书签文件 (*.html *.htm);;所有文件 (*)");

// A long import shows the busy cursor; it goes back however the import ends.
class BusyCursor
{
public:
    BusyCursor()
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor()
    {
        QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

void selectGroup(TZentTree& tree, int group)
{
    for (QTreeWidgetItemIterator it(tree.Tree()); *it; ++it) {
        if (TZentTree::SelfIndexOf(*it) == group) {
            tree.Tree()->setCurrentItem(*it);
            (*it)->setExpanded(true);
            return;
        }
    }
}

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
    tab.IETypeTree->ReloadTree();
    selectGroup(*tab.IETypeTree, group);
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
    BookmarkExportResult result;
    {
        BusyCursor busy;
        result = ExportBookmarkFile(path, tab.SelectedGroup());
    }
    ShowInfo(ExportSummary(result, path));
}
