// One keystroke at the end of a 1 MB note, as the user types it: the key event
// goes to the note box of a shown notes tab; measured are key -> change committed
// to the database (the box's change handler has returned) and key -> character
// painted and flushed to the display. Run it on a real display (bench/keystroke.sh
// starts a private Xvfb); it prints the median, 90th percentile and worst of each,
// the CPU time the program's own thread spent until the change was committed (less
// dependent on the machine's load than the times), and the largest the log file grew
// to meanwhile.
//
//   bench_keystroke [KEYS] [NOTE_BYTES]
#include "BigData.h"
#include "Sandbox.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "store/TDbAccess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class PaintSpy : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    std::printf("%-24s median %6.2f ms   p90 %6.2f ms   worst %6.2f ms   (%zu keys)\n", what, ms[n / 2], ms[n * 9 / 10],
                ms[n - 1], n);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int keys = argc > 1 ? std::atoi(argv[1]) : 100;
    const qsizetype bytes = argc > 2 ? std::atoll(argv[2]) : (1 << 20);
    Sandbox env;
    NotesTab tab;
    auto* tree =
        new TZentTree(tab.tvNote, QStringLiteral("根目录"), QStringLiteral("NoteType"), TZentTree::FolderImages());
    tab.setTree(tree);
    tree->LoadTree();
    tab.ShowRootNote();
    tab.mmoNote->setPlainText(BigNoteText(bytes)); // stored by the box's own handler
    tab.resize(792, 440);
    tab.show();
    tab.activateWindow();
    tab.mmoNote->setFocus();
    QTextCursor end = tab.mmoNote->textCursor();
    end.movePosition(QTextCursor::End);
    tab.mmoNote->setTextCursor(end);

    PaintSpy spy;
    tab.mmoNote->viewport()->installEventFilter(&spy);
    QElapsedTimer clock;
    qint64 written = -1;
    double cpuAtKey = 0;
    double cpuWritten = 0;
    // Connected after the tab's own handler, so it runs once the change is stored.
    QObject::connect(tab.mmoNote, &QPlainTextEdit::textChanged, [&] {
        written = clock.nsecsElapsed();
        cpuWritten = threadCpuMs() - cpuAtKey;
    });
    auto settle = [](int ms) {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    settle(500);

    std::vector<double> durable;
    std::vector<double> painted;
    std::vector<double> cpu;
    const QString log = env.dbPath() + QStringLiteral("-wal");
    qint64 largestLog = 0;
    for (int i = 0; i < keys; ++i) {
        const QString letter(QChar(u'a' + i % 26));
        spy.painted = false;
        written = -1;
        cpuAtKey = threadCpuMs();
        clock.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, letter);
        QApplication::sendEvent(tab.mmoNote, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, letter);
        QApplication::sendEvent(tab.mmoNote, &release);
        while (!spy.painted && clock.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        painted.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        durable.push_back(static_cast<double>(written) / 1e6);
        cpu.push_back(cpuWritten);
        largestLog = std::max(largestLog, QFileInfo(log).size());
        settle(40); // a fast typist's pace
        largestLog = std::max(largestLog, QFileInfo(log).size());
    }
    const qint64 stored = QueryInt(QStringLiteral("select length(ReMark) from NoteBook where TypeID=0"));
    if (stored != tab.mmoNote->toPlainText().size()) {
        std::fprintf(stderr, "FAIL: stored %lld characters, the box holds %lld\n", static_cast<long long>(stored),
                     static_cast<long long>(tab.mmoNote->toPlainText().size()));
        return 1;
    }
    report("key -> change durable", durable);
    report("key -> character painted", painted);
    report("CPU until durable", cpu);
    std::printf("log file at most %.1f MB\n", static_cast<double>(largestLog) / (1 << 20));
    return 0;
}
