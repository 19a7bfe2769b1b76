#include "NoteFolderCommands.h"

#include "NotesTab.h"
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "groups/ImportCommands.h"
#include "groups/TZentTree.h"
#include "store/NoteTransfer.h"

void ExportNotesCommand(NotesTab& tab)
{
    if (!tab.NoteTypeTree->Selected()) {
        return;
    }
    const QString folder = FileDialogs::getExistingDirectory(tab.window(), QStringLiteral("导出笔记到文件夹"));
    if (folder.isEmpty()) {
        return;
    }
    NoteExportResult result;
    {
        BusyCursor busy;
        result = ExportNotes(tab.NoteTypeTree->CurrentIndex(), folder);
    }
    ShowInfo(NoteExportSummary(result));
}

void ImportNotesCommand(NotesTab& tab)
{
    const QString folder = FileDialogs::getExistingDirectory(tab.window(), QStringLiteral("选择要导入的笔记文件夹"));
    if (folder.isEmpty()) {
        return;
    }
    const int group = tab.NoteTypeTree->CurrentIndex();
    NoteImportResult result;
    {
        BusyCursor busy;
        result = ImportNotes(folder, group);
    }
    ReloadAndSelect(*tab.NoteTypeTree, group);
    ShowInfo(NoteImportSummary(result));
}
