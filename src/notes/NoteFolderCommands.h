#pragma once

class NotesTab;

// "导出笔记…" and "导入笔记…" of the note tree's menu: the selected group and its
// subgroups written as a folder tree into a chosen folder, or a chosen folder
// read in as a group under the selected one.
void ExportNotesCommand(NotesTab& tab);
void ImportNotesCommand(NotesTab& tab);
