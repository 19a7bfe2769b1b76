// The notebook's hot paths: one change of a note, the whole cycle the text box
// runs (count, load, compare, save), loading a large group tree, and showing a
// large root note at start-up.
#include "BigData.h"
#include "Sandbox.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

// One keystroke at the end of a note of the given size, through the real tab.
void BM_NoteChangeCycle(benchmark::State& state)
{
    Sandbox env;
    NotesTab tab;
    auto* tree =
        new TZentTree(tab.tvNote, QStringLiteral("根目录"), QStringLiteral("NoteType"), TZentTree::FolderImages());
    tab.setTree(tree);
    tree->LoadTree();
    tab.ShowRootNote();
    const qsizetype bytes = state.range(0);
    const QString line = QStringLiteral("记事本 note line with some words 0123456789\n");
    const qsizetype lineBytes = line.toUtf8().size();
    QString text;
    for (qsizetype size = 0; size < bytes; size += lineBytes) {
        text += line;
    }
    tab.mmoNote->setPlainText(text);
    tab.mmoNoteChange();
    QTextCursor end = tab.mmoNote->textCursor();
    end.movePosition(QTextCursor::End);
    tab.mmoNote->setTextCursor(end);
    int i = 0;
    for (auto _ : state) {
        tab.mmoNote->insertPlainText(QString(QChar(u'a' + (++i % 26)))); // runs the change handler
    }
    state.counters["stored"] = static_cast<double>(QueryInt(QStringLiteral("select length(ReMark) from NoteBook")));
}
BENCHMARK(BM_NoteChangeCycle)->Arg(1 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// 10,000 groups, up to 50 levels deep.
void BM_LoadTree(benchmark::State& state)
{
    Sandbox env;
    QString batch;
    for (int i = 1; i <= 10000; ++i) {
        const int parent = (i % 50 == 1) ? 0 : i - 1;
        batch += QStringLiteral("insert into NoteType values (%1,%2,'组 %1')@#@").arg(i).arg(parent);
    }
    ExecSQL(batch);
    for (auto _ : state) {
        QTreeWidget view;
        TZentTree tree(&view, QStringLiteral("根目录"), QStringLiteral("NoteType"), TZentTree::FolderImages());
        QElapsedTimer timer; // the view's teardown is not part of the load
        timer.start();
        tree.LoadTree();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        benchmark::DoNotOptimize(view.topLevelItem(0)->childCount());
    }
}
BENCHMARK(BM_LoadTree)->UseManualTime()->Unit(benchmark::kMillisecond);

// Start-up: the root note of 1 MB read and put into a new tab's box.
void BM_ShowRootNote(benchmark::State& state)
{
    Sandbox env;
    NoteStore.TypeID = 0;
    NoteStore.ReMark = BigNoteText(1 << 20);
    NoteStore.AddNote();
    for (auto _ : state) {
        NotesTab tab;
        auto* tree =
            new TZentTree(tab.tvNote, QStringLiteral("根目录"), QStringLiteral("NoteType"), TZentTree::FolderImages());
        tab.setTree(tree);
        tree->LoadTree();
        QElapsedTimer timer; // the tab's making and teardown are not part of it
        timer.start();
        tab.ShowRootNote();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        benchmark::DoNotOptimize(tab.mmoNote->document()->characterCount());
    }
}
BENCHMARK(BM_ShowRootNote)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
