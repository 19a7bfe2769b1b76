#pragma once

#include "widgets/NoteBox.h"

#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeWidget;
class TZentTree;

// The "记事本" tab: the note groups beside the selected group's note, which is
// written to the database at every change, and a search strip. The text box always
// holds the note of the selected group, however the selection moves.
class NotesTab : public QWidget
{
    Q_OBJECT

public:
    explicit NotesTab(QWidget* parent = nullptr);

    // The main window's tree over tvNote and NoteType.
    void setTree(TZentTree* tree);
    // Start-up: select the root group and show its note.
    void ShowRootNote();
    // Nothing shown: the box is emptied and takes no typing until a note is loaded.
    void ForgetNote();
    // A search result: selects the group, shows its note with the first
    // occurrence of the text selected and in view, and leaves the text in the
    // find box so that "查找" goes on to the next one.
    void ShowFound(int group, const QString& text);

    // The note box's text as stored: every line break a plain "\n".

    QWidget* pnl4 = nullptr; // left: the groups
    QTreeWidget* tvNote = nullptr;
    QSplitter* spl2 = nullptr; // between groups and note
    QWidget* pnl5 = nullptr;   // right: the note
    NoteBox* mmoNote = nullptr;
    QWidget* pnl6 = nullptr;  // the find bar
    QLabel* Label1 = nullptr; // 查找字符
    QLineEdit* edtQuery = nullptr;
    QPushButton* btn2 = nullptr; // 查找
    QMenu* pmNoteType = nullptr;
    QAction* NAddNoteType = nullptr;
    QAction* NModNoteType = nullptr;
    QAction* NDelNoteType = nullptr;
    QAction* NExportNote = nullptr; // 导出笔记…
    QAction* NImportNote = nullptr; // 导入笔记…

    TZentTree* NoteTypeTree = nullptr;

    void tvNoteClick();
    void mmoNoteChange();
    void btn2Click();
    void NAddNoteTypeClick();
    void NModNoteTypeClick();
    void NDelNoteTypeClick();

private:
    void showNote(const QString& text);
    void rememberStored(bool exists, const QString& text);

    // The group whose note the box shows; -1 while none is loaded, and then
    // nothing typed is written anywhere.
    int m_shownGroup = -1;
    // What the database holds for the shown group, as of m_storedVersion: spares
    // reading a large note back at every keystroke.
    bool m_storedKnown = false;
    bool m_storedExists = false;
    QString m_storedText;
    quint64 m_storedVersion = 0;
    // Counts the loads of a note into the box.
    quint64 m_loads = 0;
};
