#include "NotesTab.h"

#include "NoteFolderCommands.h"
#include "base/BlankText.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/LatinCaseless.h"
#include "groups/TZentTree.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"
#include "widgets/DateKeys.h"
#include "widgets/Fonts.h"
#include "widgets/Menus.h"
#include "widgets/NoteBox.h"
#include "widgets/TextBoxes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBlock>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

NotesTab::NotesTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ts2"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    spl2 = new QSplitter(Qt::Horizontal, this);
    spl2->setObjectName(QStringLiteral("spl2"));
    spl2->setHandleWidth(3);
    spl2->setChildrenCollapsible(false);
    layout->addWidget(spl2);

    pnl4 = new QWidget(spl2);
    pnl4->setObjectName(QStringLiteral("pnl4"));
    auto* left = new QVBoxLayout(pnl4);
    left->setContentsMargins(0, 0, 0, 0);
    tvNote = new QTreeWidget(pnl4);
    tvNote->setObjectName(QStringLiteral("tvNote"));
    tvNote->setToolTip(QStringLiteral("点右键可以新建、修改和删除分组"));
    tvNote->setIndentation(19);
    tvNote->setContextMenuPolicy(Qt::CustomContextMenu);
    left->addWidget(tvNote);

    pnl5 = new QWidget(spl2);
    pnl5->setObjectName(QStringLiteral("pnl5"));
    auto* right = new QVBoxLayout(pnl5);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    mmoNote = new NoteBox(pnl5);
    mmoNote->setObjectName(QStringLiteral("mmoNote"));
    mmoNote->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmoNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScaleFont(mmoNote, 13);
    // Until a stored note is in the box, nothing typed could be written anywhere.
    mmoNote->setReadOnly(true);
    right->addWidget(mmoNote, 1);

    pnl6 = new QWidget(pnl5);
    pnl6->setObjectName(QStringLiteral("pnl6"));
    pnl6->setFixedHeight(41);
    auto* strip = new QHBoxLayout(pnl6);
    strip->setContentsMargins(16, 8, 8, 8);
    strip->setSpacing(6);
    Label1 = new QLabel(QStringLiteral("查找字符"), pnl6);
    Label1->setObjectName(QStringLiteral("Label1"));
    strip->addWidget(Label1);
    edtQuery = new QLineEdit(pnl6);
    NoLengthLimit(edtQuery);
    edtQuery->setObjectName(QStringLiteral("edtQuery"));
    edtQuery->setFixedWidth(145);
    strip->addWidget(edtQuery);
    btn2 = new QPushButton(QStringLiteral("查找"), pnl6);
    btn2->setObjectName(QStringLiteral("btn2"));
    btn2->setFixedSize(75, 25);
    strip->addWidget(btn2);
    strip->addStretch(1);
    right->addWidget(pnl6);

    spl2->addWidget(pnl4);
    spl2->addWidget(pnl5);
    spl2->setStretchFactor(1, 1);
    spl2->setSizes({200, 584});

    pmNoteType = new QMenu(this);
    pmNoteType->setObjectName(QStringLiteral("pmNoteType"));
    NAddNoteType = AddNamedAction(pmNoteType, "NAddNoteType", QStringLiteral("新建组"));
    NModNoteType = AddNamedAction(pmNoteType, "NModNoteType", QStringLiteral("重命名组"));
    NDelNoteType = AddNamedAction(pmNoteType, "NDelNoteType", QStringLiteral("删除组"));
    pmNoteType->addSeparator();
    NExportNote = AddNamedAction(pmNoteType, "NExportNote", QStringLiteral("导出笔记…"));
    NImportNote = AddNamedAction(pmNoteType, "NImportNote", QStringLiteral("导入笔记…"));

    DateKeys::install(mmoNote);
    connect(tvNote, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmNoteType->popup(tvNote->viewport()->mapToGlobal(pos)); });
    connect(tvNote, &QTreeWidget::itemClicked, this, guard([this] { tvNoteClick(); }));
    // The note follows the selection however it moves: mouse, keys or deletion.
    connect(tvNote, &QTreeWidget::currentItemChanged, this, guard([this] { tvNoteClick(); }));
    connect(mmoNote, &QPlainTextEdit::textChanged, this, guard([this] { mmoNoteChange(); }));
    connect(btn2, &QPushButton::clicked, this, guard([this] { btn2Click(); }));
    connect(NAddNoteType, &QAction::triggered, this, guard([this] { NAddNoteTypeClick(); }));
    connect(NModNoteType, &QAction::triggered, this, guard([this] { NModNoteTypeClick(); }));
    connect(NDelNoteType, &QAction::triggered, this, guard([this] { NDelNoteTypeClick(); }));
    connect(NExportNote, &QAction::triggered, this, guard([this] { ExportNotesCommand(*this); }));
    connect(NImportNote, &QAction::triggered, this, guard([this] { ImportNotesCommand(*this); }));
}

void NotesTab::setTree(TZentTree* tree)
{
    NoteTypeTree = tree;
}

void NotesTab::showNote(const QString& text)
{
    // Set without the change handler: what is shown is what is stored.
    const QSignalBlocker block(mmoNote);
    mmoNote->showText(text);
}

void NotesTab::tvNoteClick()
{
    if (!NoteTypeTree || !NoteTypeTree->Selected()) {
        return;
    }
    const int group = NoteTypeTree->CurrentIndex();
    ++m_loads;
    // Until the new note is in the box, nothing typed may be written anywhere.
    m_shownGroup = -1;
    m_storedKnown = false;
    mmoNote->setReadOnly(true);
    QString text;
    try {
        const bool exists = NoteStore.ReadNote(group, &text);
        rememberStored(exists, text);
    } catch (...) {
        // Never leave another group's text on show, where typing could follow.
        showNote(QString());
        throw;
    }
    showNote(text);
    m_shownGroup = group;
    mmoNote->setReadOnly(false);
}

void NotesTab::mmoNoteChange()
{
    if (!NoteTypeTree || !NoteTypeTree->Selected()) {
        return;
    }
    const int group = NoteTypeTree->CurrentIndex();
    if (group != m_shownGroup) {
        return;
    }
    const QString text = MemoText(mmoNote);
    // Anything written since (by this program or another) and the stored text is read again.
    if (!m_storedKnown || DbAccess->DataVersion() != m_storedVersion) {
        m_storedKnown = false;
        QString stored;
        const bool exists = NoteStore.ReadNote(group, &stored);
        rememberStored(exists, stored);
    }
    if (m_storedExists ? m_storedText == text : IsBlankText(text)) {
        return;
    }
    m_storedKnown = false; // until the write has succeeded
    NoteStore.TypeID = group;
    NoteStore.ReMark = text;
    if (m_storedExists) {
        NoteStore.SaveNote();
    } else {
        NoteStore.AddNote();
    }
    rememberStored(true, text);
}

void NotesTab::rememberStored(bool exists, const QString& text)
{
    m_storedExists = exists;
    m_storedText = text;
    m_storedVersion = DbAccess->DataVersion();
    m_storedKnown = true;
}

void NotesTab::btn2Click()
{
    const QString query = edtQuery->text();
    QTextCursor cursor = mmoNote->textCursor();
    const qsizetype from = cursor.selectionEnd();
    const qsizetype found = FindLatinCaseless(MemoText(mmoNote), query, from);
    if (found < 0) {
        cursor.setPosition(0);
        mmoNote->setTextCursor(cursor);
        return;
    }
    mmoNote->setFocus();
    cursor.setPosition(static_cast<int>(found));
    cursor.setPosition(static_cast<int>(found + query.size()), QTextCursor::KeepAnchor);
    mmoNote->setTextCursor(cursor);
    mmoNote->ensureCursorVisible();
}

void NotesTab::NAddNoteTypeClick()
{
    if (NoteTypeTree->AddGroupDlg()) {
        showNote(QString());
    }
}

void NotesTab::NModNoteTypeClick()
{
    NoteTypeTree->RenameInPlace();
}

void NotesTab::NDelNoteTypeClick()
{
    if (!NoteTypeTree->Selected()) {
        return;
    }
    NoteTypeTree->DeleteGroup(); // its note goes with it
    tvNoteClick();
}

void NotesTab::ForgetNote()
{
    m_shownGroup = -1;
    m_storedKnown = false;
    showNote(QString());
    mmoNote->setReadOnly(true);
}

void NotesTab::ShowRootNote()
{
    const quint64 loads = m_loads;
    tvNote->setCurrentItem(tvNote->topLevelItem(0));
    // A move of the selection has shown the note already: a large note is read
    // and laid out once, not twice.
    if (m_loads == loads) {
        tvNoteClick();
    }
}

void NotesTab::ShowFound(int group, const QString& text)
{
    QTreeWidgetItem* node = nullptr;
    for (QTreeWidgetItemIterator it(tvNote); *it; ++it) {
        if (TZentTree::SelfIndexOf(*it) == group) {
            node = *it;
            break;
        }
    }
    if (!node) {
        throw EAppError(QStringLiteral("该笔记已不存在！"));
    }
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) {
        up->setExpanded(true);
    }
    tvNote->setCurrentItem(node);
    if (m_shownGroup != group) {
        tvNoteClick();
    }
    tvNote->scrollToItem(node);
    edtQuery->setText(text);
    QTextCursor cursor = mmoNote->textCursor();
    const qsizetype found = FindLatinCaseless(MemoText(mmoNote), text, 0);
    cursor.setPosition(static_cast<int>(std::max<qsizetype>(found, 0)));
    if (found >= 0) {
        cursor.setPosition(static_cast<int>(found + text.size()), QTextCursor::KeepAnchor);
    }
    mmoNote->setTextCursor(cursor);
    mmoNote->centerCursor();
    mmoNote->setFocus();
}
