// Desktop integration: the autostart entry, the tray icon's handler and window
// hiding, backup names, and restores that reload every view or are refused.
#include "FakeNotifications.h"
#include "MakeDb.h"
#include "ModalPoller.h"
#include "Seed.h"
#include "TestEnv.h"
#include "base/FileDialogs.h"
#include "desktop/AutoRun.h"
#include "desktop/BackupRestore.h"
#include "desktop/LocalListener.h"
#include "desktop/SingleInstance.h"
#include "desktop/TrayIcon.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "reminders/Chime.h"
#include "reminders/RemindersTab.h"
#include "reminders/TFormShowAlam.h"
#include "store/DbConnection.h"
#include "store/TAlam.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"
#include "urls/UrlsTab.h"
#include "widgets/TZentDBGrid.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextEdit>
#include <QThread>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <linux/sockios.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A little of everything, so that a restore can be seen on every tab.
void addData(const QString& tag)
{
    ExecSQL(QStringLiteral(
                "insert into NoteType values ((select coalesce(max(SelfIndex),0)+1 from NoteType),0,'note group %1')")
                .arg(tag));
    ExecSQL(QStringLiteral("insert into IE(TypeID,IEUrl,IEName,ReMark) values (0,'%1.example','site %1','')").arg(tag));
    AlamStore.AlamTime = QTime(8, 0, 0);
    AlamStore.ReDay = true;
    AlamStore.ReMark = QStringLiteral("reminder ") + tag;
    AlamStore.InsertAlam();
}

QStringList treeTexts(QTreeWidget* tree)
{
    QStringList out;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        out << (*it)->text(0);
    }
    return out;
}

// A raw peer of a listener on an abstract name, closed at the end.
struct RawPeer
{
    int fd = -1;
    explicit RawPeer(const QByteArray& name) : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, name.constData(), size_t(name.size()));
        const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), size) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~RawPeer()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    bool say(const QByteArray& bytes) const
    {
        return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // Bytes sent that the listener has not read yet.
    int unread() const
    {
        int n = -1;
        return ::ioctl(fd, SIOCOUTQ, &n) == 0 ? n : -1;
    }
    // The listener has closed its end.
    bool closedByListener() const
    {
        char c;
        return ::recv(fd, &c, 1, 0) == 0;
    }
};

} // namespace

// A StatusNotifier watcher as a desktop's tray host runs it, with or without a
// host registered.
class FakeStatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    explicit FakeStatusNotifierWatcher(bool host) : m_host(host)
    {}
    bool hostRegistered() const
    {
        return m_host;
    }

private:
    bool m_host;
};

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void execQuoting_data();
    void execQuoting();
    void autostartEntry();
    void autostartAtStartLeavesEntryAlone();
    void autostartWriteFailureIsShown();
    void trayActivations_data();
    void trayActivations();
    void minimiseWithoutTrayKeepsWindowReachable();
    void backupNames_data();
    void backupNames();
    void fileDialogsStartAtHomeOrLastFolder();
    void restoreReloadsEveryView();
    void oneCopyPerDatabase();
    void misbehavingPeersBlockNothing();
    void otherUsersAreNotHeard();
    void showRequestBringsTheWindowBack();
    void closingWritesTheFileWhole();
    void restoreClosesAlertsOfTheDataBefore();
    void restoringTheSafetyCopyUndoesARestore();
    void refusedRestoreChangesNothing();
    void cancelledRestore();
};

void TestDesktop::execQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/opt/vh/vornet-halvik"
                           << "/opt/vh/vornet-halvik";
    QTest::newRow("space") << "/home/a b/vornet-halvik"
                           << "\"/home/a b/vornet-halvik\"";
    QTest::newRow("dollar") << "/home/$x/vh"
                            << "\"/home/\\\\$x/vh\"";
    QTest::newRow("double quote") << "/home/a\"b/vh"
                                  << "\"/home/a\\\\\"b/vh\"";
    QTest::newRow("percent") << "/home/100%/vh"
                             << "/home/100%%/vh";
    QTest::newRow("backslash") << "/home/a\\b/vh"
                               << "\"/home/a\\\\\\\\b/vh\"";
    QTest::newRow("chinese") << "/home/用户/vh"
                             << "/home/用户/vh";
}

void TestDesktop::execQuoting()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(AutoRun::QuoteExec(path), exec);
    QCOMPARE(AutoRun::UnquoteExec(exec), path);
}

void TestDesktop::autostartEntry()
{
    TestEnv env;
    const QString exe = env.folder() + QStringLiteral("my $dir \"x\" 5%/vornet-halvik");
    AutoRun::setExecutablePathForTesting(exe);
    QCOMPARE(AutoRun::EntryPath(), env.folder() + QStringLiteral("config/autostart/Vornet-Halvik.desktop"));
    QVERIFY(!AutoRun::IsAutoRun());
    // Clearing a missing entry is no error.
    AutoRun::SetAutoRun(AutoRun::kName, exe, false);

    TFormMain window;
    window.show();
    QVERIFY(!window.chk1->isChecked());
    window.chk1->click();
    const QString entry = readFile(AutoRun::EntryPath());
    QVERIFY(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    QVERIFY(entry.contains(QStringLiteral("\nName=Vornet-Halvik\n")));
    QVERIFY(entry.contains(QStringLiteral("\nExec=") + AutoRun::QuoteExec(exe) + QStringLiteral("\n")));
    QVERIFY(AutoRun::IsAutoRun());

    // Another copy, or the same path in other letter case, is not this program.
    for (const QString& other : {env.folder() + QStringLiteral("other/vornet-halvik"), exe.toUpper()}) {
        AutoRun::SetAutoRun(AutoRun::kName, other, true);
        QVERIFY(!AutoRun::IsAutoRun());
    }
    window.chk1->click(); // clears
    window.chk1->click(); // ticks: replaces the other copy's entry
    QVERIFY(AutoRun::IsAutoRun());
    window.chk1->click();
    QVERIFY(!QFile::exists(AutoRun::EntryPath()));
    QVERIFY(env.messages.boxes().isEmpty());
    AutoRun::setExecutablePathForTesting(QString());
}

void TestDesktop::autostartAtStartLeavesEntryAlone()
{
    TestEnv env;
    const QString exe = env.folder() + QStringLiteral("vornet-halvik");
    AutoRun::setExecutablePathForTesting(exe);
    // Another group's Exec does not count; blanks around "=" do not matter.
    const QByteArray handWritten = "[Other]\nExec=/elsewhere\n[Desktop Entry]\n# kept by hand\nType=Application\n"
                                   "Name=Vornet-Halvik\nExec = " +
                                   exe.toUtf8() + "\nX-Custom=1\n";
    writeFile(AutoRun::EntryPath(), handWritten);
    TFormMain window;
    window.show();
    QVERIFY(window.chk1->isChecked());
    QCOMPARE(readFile(AutoRun::EntryPath()).toUtf8(), handWritten);
    AutoRun::setExecutablePathForTesting(QString());
}

void TestDesktop::autostartWriteFailureIsShown()
{
    TestEnv env;
    AutoRun::setExecutablePathForTesting(env.folder() + QStringLiteral("vornet-halvik"));
    writeFile(env.folder() + QStringLiteral("config/autostart"), "a file where the folder should be");
    TFormMain window;
    window.show();
    window.chk1->click();
    QCOMPARE(env.messages.boxes().size(), 1);
    QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("错误"));
    QVERIFY(!env.messages.boxes().first().text.contains(QStringLiteral("详细信息")));
    AutoRun::setExecutablePathForTesting(QString());
}

void TestDesktop::trayActivations_data()
{
    QTest::addColumn<QString>("host"); // what the session bus offers
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("restores");
    QTest::newRow("double click") << "no bus" << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("single click") << "no bus" << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("middle click") << "no bus" << int(QSystemTrayIcon::MiddleClick) << false;
    QTest::newRow("context menu") << "no bus" << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("unknown") << "no bus" << int(QSystemTrayIcon::Unknown) << false;
    QTest::newRow("single click, bus without watcher") << "bus" << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("single click, watcher without host") << "watcher" << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("single click, StatusNotifier host") << "host" << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("double click, StatusNotifier host") << "host" << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("middle click, StatusNotifier host") << "host" << int(QSystemTrayIcon::MiddleClick) << false;
}

void TestDesktop::trayActivations()
{
    QFETCH(QString, host);
    QFETCH(int, reason);
    QFETCH(bool, restores);
    TestEnv env;
    PrivateBus bus;
    // The program asks with a blocking call: the watcher answers from a thread of its own.
    QThread watcherThread;
    FakeStatusNotifierWatcher watcher(host == QLatin1String("host"));
    watcher.moveToThread(&watcherThread);
    watcherThread.start();
    auto stop = qScopeGuard([&watcherThread] {
        watcherThread.quit();
        watcherThread.wait();
    });
    if (host != QLatin1String("no bus")) {
        QVERIFY2(!bus.address().isEmpty(), qPrintable(bus.error()));
        QDBusConnection tray = bus.connect(QStringLiteral("tray"));
        if (host != QLatin1String("bus")) {
            QDBusConnection service = bus.connect(QStringLiteral("watcher"));
            QVERIFY(service.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                           QDBusConnection::ExportAllProperties));
            QVERIFY(service.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        }
        TrayIcon::setBus(tray.name());
    }
    TFormMain window;
    QCOMPARE(window.Tray->SingleClickHost(), host == QLatin1String("host"));
    window.show();
    QCOMPARE(window.Tray->icon()->toolTip(), QStringLiteral("Vornet"));
    QCOMPARE(window.Tray->icon()->contextMenu(), window.PopupMenu);
    window.hide();
    window.Tray->WMTrayNotify(static_cast<QSystemTrayIcon::ActivationReason>(reason));
    QCOMPARE(window.isVisible(), restores);
}

void TestDesktop::minimiseWithoutTrayKeepsWindowReachable()
{
    TestEnv env;
    TFormMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        QSKIP("needs a desktop without a tray (the offscreen platform has none)");
    }
    window.showMinimized();
    QTest::qWait(50);
    QVERIFY(window.isVisible()); // minimised, not hidden: the taskbar can bring it back
    window.NShowForm->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
}

void TestDesktop::fileDialogsStartAtHomeOrLastFolder()
{
    TestEnv env;
    const QString home = QDir::homePath();
    const QString before = QDir::currentPath();
    QDir::setCurrent(QStringLiteral("/")); // as a program started from the menu may be
    auto restore = qScopeGuard([&before] { QDir::setCurrent(before); });
    QCOMPARE(FileDialogs::StartFolder(), home);

    // A folder with one file of a known age, opened by picking a file there.
    const QString folder = env.file(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(folder));
    QFile old(folder + QStringLiteral("/old.bat"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(2048, 'x')) == 2048);
    old.close();
    QVERIFY(old.open(QIODevice::Append));
    QVERIFY(old.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)), QFileDevice::FileModificationTime));
    old.close();
    FileDialogs::setNextFileName(folder + QStringLiteral("/new.bat"));
    FileDialogs::getSaveFileName(nullptr, QStringLiteral("数据文件 (*.bat)"));
    QCOMPARE(FileDialogs::StartFolder(), folder);

    QString shownFolder;
    QStringList row;
    ModalPoller look([&](QDialog* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        QVERIFY(dialog);
        shownFolder = dialog->directory().absolutePath();
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(view);
        QVERIFY(QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) == 1; }, 5000));
        for (int column = 0; column < 4; ++column) {
            row << view->model()->index(0, column, view->rootIndex()).data().toString();
        }
    });
    FileDialogs::getOpenFileName(nullptr, QStringLiteral("数据文件 (*.bat)"));
    QVERIFY(look.handled());
    QCOMPARE(shownFolder, folder);
    // Size and date in Chinese whatever the system's locale is.
    QCOMPARE(row, (QStringList{"old.bat", QLocale(QLocale::Chinese, QLocale::China).formattedDataSize(2048), "BAT 文件",
                               "2024-03-05 14:07"}));

    // A folder picked as such is where the next dialog starts; once removed,
    // the home folder is.
    FileDialogs::setNextFileName(folder);
    FileDialogs::getExistingDirectory(nullptr);
    QCOMPARE(FileDialogs::StartFolder(), folder);
    QVERIFY(QDir(folder).removeRecursively());
    QCOMPARE(FileDialogs::StartFolder(), home);
}

void TestDesktop::backupNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain name") << "data"
                                << "data.bat";
    QTest::newRow("already .bat") << "backup.bat"
                                  << "backup.bat.bat";
}

void TestDesktop::backupNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    TestEnv env;
    writeFile(env.file(written), "an older file, replaced without a question");
    TFormMain window;
    FileDialogs::setNextFileName(env.file(typed));
    window.Ndfdf1->trigger();
    DbConnection copy;
    copy.open(env.file(written));
    copy.verify(true);
    QVERIFY(copy.close());
    QVERIFY(env.messages.boxes().isEmpty());
    QVERIFY(env.logText(QDate(2024, 3, 15)).isEmpty());
}

void TestDesktop::restoreReloadsEveryView()
{
    TestEnv env;
    addData(QStringLiteral("old"));
    NoteStore.TypeID = 0;
    NoteStore.ReMark = QStringLiteral("old root note");
    NoteStore.AddNote();
    const QString backup = env.file(QStringLiteral("saved.bat"));
    BackupTo(backup);

    addData(QStringLiteral("new"));
    TFormMain window;
    window.show();
    NotesTab* notes = window.ts2;
    notes->mmoNote->selectAll();
    QTest::keyClicks(notes->mmoNote, QStringLiteral("typed after the backup"));
    window.ts3->rbAll->click();
    QCOMPARE(window.ts3->lv1->topLevelItemCount(), 2);

    env.messages.answer(true);
    FileDialogs::setNextFileName(backup);
    window.N11->trigger();

    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("你确定要恢复数据吗？你做的操作可能会覆盖最新的数据！")});
    QCOMPARE(treeTexts(window.ts2->tvNote), (QStringList{"根目录", "note group old"}));
    QCOMPARE(window.ts1->DBGrid1->model()->rowCount(), 1);
    QCOMPARE(window.ts3->lv1->topLevelItemCount(), 1);
    QVERIFY(window.ts3->rbAll->isChecked());
    QCOMPARE(notes->mmoNote->toPlainText(), QStringLiteral("old root note"));
    // The next keystroke goes into the restored note, not the text from before.
    QTest::keyClick(notes->mmoNote, Qt::Key_X);
    NoteStore.LoadNote(QStringLiteral("0"));
    QCOMPARE(NoteStore.ReMark, QStringLiteral("xold root note"));
    QVERIFY(env.logText(QDate(2024, 3, 15)).endsWith(QStringLiteral("：数据恢复！\r\n")));

    // The safety copy holds what was there just before.
    DbConnection safety;
    safety.open(SafetyCopyPath());
    QCOMPARE(safety.scalar(QStringLiteral("select ReMark from NoteBook where TypeID=0")),
             QStringLiteral("typed after the backup"));
    QVERIFY(safety.close());
}

void TestDesktop::oneCopyPerDatabase()
{
    TestEnv env;
    auto first = std::make_unique<SingleInstance>(env.dbPath());
    QVERIFY(first->Claim());
    QSignalSpy asked(first.get(), &SingleInstance::showRequested);
    // A second start on the same file hands over and ends.
    SingleInstance second(env.dbPath());
    QVERIFY(!second.Claim(2000));
    QTRY_COMPARE(asked.size(), 1);
    // Another database file is another program.
    SingleInstance elsewhere(env.file(QStringLiteral("other.dat")));
    QVERIFY(elsewhere.Claim());

    // A copy killed without a chance to clean up blocks nothing.
    first.reset();
    const QByteArray lockPath = QFile::encodeName(env.dbPath() + QStringLiteral(".lock"));
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        ::pause();
        ::_exit(0);
    }
    QVERIFY(holder > 0);
    QTRY_VERIFY(!SingleInstance(env.dbPath()).Claim(0));
    ::kill(holder, SIGKILL);
    QCOMPARE(::waitpid(holder, nullptr, 0), holder);
    QTRY_VERIFY(SingleInstance(env.dbPath()).Claim(0));
}

// Whatever connects to the running copy, a later copy still gets through and
// nothing waits on a peer.
void TestDesktop::misbehavingPeersBlockNothing()
{
    const QByteArray name = "vh-test-peers-" + QByteArray::number(QCoreApplication::applicationPid());
    LocalListener listener("show");
    QVERIFY(listener.listen(name));
    QVERIFY(!LocalListener("show").listen(name));
    QSignalSpy heard(&listener, &LocalListener::heard);

    // More peers that only hold on than the listener keeps: the oldest are let go.
    std::vector<std::unique_ptr<RawPeer>> silent;
    for (int i = 0; i < 12; ++i) {
        silent.push_back(std::make_unique<RawPeer>(name));
        QVERIFY(silent.back()->fd >= 0);
    }
    const auto letGo = [&silent] {
        return std::count_if(silent.begin(), silent.end(), [](const auto& p) { return p->closedByListener(); });
    };
    QTRY_COMPARE(letGo(), 4);
    QVERIFY(silent.front()->closedByListener());
    // One that talks on and on without the word is cut off.
    const RawPeer flood(name);
    const QByteArray garbage(1000, 'x');
    QTRY_VERIFY(!flood.say(garbage) && errno == EPIPE);
    // The word in two pieces, read apart, counts.
    const RawPeer slow(name);
    QVERIFY(slow.say("sh"));
    QTRY_COMPARE(slow.unread(), 0);
    QVERIFY(slow.say("ow\n"));
    QTRY_COMPARE(heard.size(), 1);
    QTRY_VERIFY(slow.closedByListener());
    // A peer that ends at once says nothing.
    delete new RawPeer(name);

    QVERIFY(LocalMessage::send(name, "show\n", 1000));
    QTRY_COMPARE(heard.size(), 2);
    QVERIFY(!LocalMessage::send(name + "-nobody", "show\n", 1000));
}

void TestDesktop::otherUsersAreNotHeard()
{
    if (::geteuid() != 0) {
        QSKIP("connecting as another user needs root");
    }
    const QByteArray name = "vh-test-users-" + QByteArray::number(QCoreApplication::applicationPid());
    LocalListener listener("show");
    QVERIFY(listener.listen(name));
    QSignalSpy heard(&listener, &LocalListener::heard);
    // The peer's user is the one that connected: a child becomes nobody and connects
    // the socket this process keeps.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.constData(), size_t(name.size()));
    const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    const pid_t child = ::fork();
    if (child == 0) {
        _exit(::setuid(65534) == 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), size) == 0 ? 0 : 1);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(status, 0);
    QCOMPARE(::send(fd, "show\n", 5, MSG_NOSIGNAL), ssize_t(5));
    // Closed by the listener: an end, or a reset when it left the word unread.
    const auto closed = [fd] {
        char c;
        const ssize_t got = ::recv(fd, &c, 1, MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno == ECONNRESET);
    };
    QTRY_VERIFY(closed());
    ::close(fd);
    // Closed unheard; this user's own copy still is.
    QCOMPARE(heard.size(), 0);
    QVERIFY(LocalMessage::send(name, "show\n", 1000));
    QTRY_COMPARE(heard.size(), 1);
}

void TestDesktop::showRequestBringsTheWindowBack()
{
    TestEnv env;
    TFormMain window;
    window.show();
    window.hide(); // as when hidden to the tray
    window.ShowRequested();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
}

void TestDesktop::closingWritesTheFileWhole()
{
    TestEnv env;
    TFormMain window;
    window.show();
    addData(QStringLiteral("last"));
    const QString wal = env.dbPath() + QStringLiteral("-wal");
    QVERIFY(QFileInfo(wal).size() > 0);
    env.messages.answer(true);
    QVERIFY(window.close());
    // At once, not a moment later: the program is about to end.
    QCOMPARE(QFileInfo(wal).size(), qint64(0));
}

void TestDesktop::restoreClosesAlertsOfTheDataBefore()
{
    TestEnv env;
    Chime::setPlayer([] {});
    const QDateTime due(QDate(2024, 3, 15), QTime(9, 30, 0));
    // The backup holds reminder 1, due in the second an alert now shows.
    addDaily(QStringLiteral("09:30:00"), QStringLiteral("restored, due"));
    const QString backup = env.file(QStringLiteral("saved.bat"));
    BackupTo(backup);
    // Now reminder 1 is gone and reminder 2 is what the open alert names.
    AlamStore.DeleteAlam(QStringLiteral("1"));
    const qint64 current = addOnce(QStringLiteral("09:30:00"), due.date(), QStringLiteral("current"));
    TFormMain window;
    window.show();
    ShowAlamAlert(QString::number(current), QStringLiteral("current"), false, due);
    QCOMPARE(TFormShowAlam::OpenAlerts().size(), 1);

    env.messages.answer(true);
    FileDialogs::setNextFileName(backup);
    window.N11->trigger();

    // The old alert is gone; what is due in that second of the restored data pops.
    const QList<TFormShowAlam*> alerts = TFormShowAlam::OpenAlerts();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts.first()->RecordID, QStringLiteral("1"));
    QCOMPARE(alerts.first()->mmo1->toPlainText(), QStringLiteral("restored, due"));
    TFormShowAlam::CloseAll();
}

void TestDesktop::restoringTheSafetyCopyUndoesARestore()
{
    TestEnv env;
    addData(QStringLiteral("before"));
    const QString other = env.file(QStringLiteral("other.bat"));
    MakeDatabase(other); // an empty database of ours
    TFormMain window;
    window.show();
    env.messages.answer(true);
    FileDialogs::setNextFileName(other);
    window.N11->trigger();
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 0);

    env.messages.answer(true);
    FileDialogs::setNextFileName(SafetyCopyPath());
    window.N11->trigger();
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 1);
    QCOMPARE(window.ts1->DBGrid1->model()->rowCount(), 1);
    QVERIFY(!QFile::exists(env.file(QStringLiteral("tmpData.restoring"))));
}

void TestDesktop::refusedRestoreChangesNothing()
{
    TestEnv env;
    addData(QStringLiteral("kept"));
    const QString text = env.file(QStringLiteral("notes.bat"));
    writeFile(text, "just some text, not a database");
    const QByteArray before = readFile(env.dbPath()).toLatin1();
    TFormMain window;
    window.show();
    env.messages.answer(true);
    FileDialogs::setNextFileName(text);
    window.N11->trigger();
    QCOMPARE(env.messages.boxes().size(), 2);
    QVERIFY(env.messages.boxes().last().text.startsWith(QStringLiteral("数据库恢复失败！\r\n详细信息：")));
    QVERIFY(!env.logText(QDate(2024, 3, 15)).contains(QStringLiteral("数据恢复！")));
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from IE")), 1);
    QCOMPARE(window.ts1->DBGrid1->model()->rowCount(), 1);
}

void TestDesktop::cancelledRestore()
{
    TestEnv env;
    TFormMain window;
    window.N11->trigger(); // answered No
    env.messages.answer(true);
    FileDialogs::setNextFileName(QString()); // dialog cancelled
    window.N11->trigger();
    QVERIFY(!QFile::exists(SafetyCopyPath()));
    QVERIFY(env.logText(QDate(2024, 3, 15)).isEmpty());
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
