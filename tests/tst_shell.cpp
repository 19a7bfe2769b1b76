// The shell: the daily log, the error handler, the message boxes, opening
// addresses, the start-up sequence and the main window's frame and closing.
#include "ModalPoller.h"
#include "TestEnv.h"
#include "base/AppPath.h"
#include "base/Application.h"
#include "base/Clock.h"
#include "base/DisplayPlatform.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Log.h"
#include "base/Messages.h"
#include "base/ShellOpen.h"
#include "frame/FirstStart.h"
#include "frame/StartupSequence.h"
#include "frame/TFormMain.h"
#include "notes/NotesTab.h"
#include "store/TDbAccess.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <stdexcept>

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void logFilePerDay();
    void logKeepsEveryCharacter();
    void unwritableLogIsSilent_data();
    void unwritableLogIsSilent();
    void errorsAreReported_data();
    void errorsAreReported();
    void guardedSlotsNeverThrowIntoQt();
    void confirmDefaultsToNo();
    void shellTargets_data();
    void shellTargets();
    void startupStopsAtFailingStep();
    void mainWindowFrame();
    void closeQuestion();
    void sessionEndAsksTheSameQuestion();
    void settingsMenuAtPointer();
    void homePage();
    void installedLayout_data();
    void installedLayout();
    void userDataFolder_data();
    void userDataFolder();
    void firstStartMakesFolderAndDatabase();
    void firstStartFailuresAreShown_data();
    void firstStartFailuresAreShown();
    void platformUnderWayland_data();
    void platformUnderWayland();
};

void TestShell::logFilePerDay()
{
    TestEnv env(false, QDateTime(QDate(2024, 3, 15), QTime(23, 59, 58)));
    WriteLog(QStringLiteral("第一"));
    Clock::advance(1);
    WriteLog(QStringLiteral("第二\r\n第二行"));
    Clock::advance(1);
    WriteLog(QStringLiteral("次日"));
    QCOMPARE(env.logText(QDate(2024, 3, 15)),
             QStringLiteral("2024-03-15 23:59:58：第一\r\n2024-03-15 23:59:59：第二\r\n第二行\r\n"));
    QCOMPARE(env.logText(QDate(2024, 3, 16)), QStringLiteral("2024-03-16 00:00:00：次日\r\n"));
    QVERIFY(QFile::exists(env.file(QStringLiteral("Log20240316.log"))));
}

void TestShell::logKeepsEveryCharacter()
{
    TestEnv env(false);
    const QString text = QStringLiteral("insert into AlamContext(ReMark) values('喝水 😀 €')\nnext line");
    WriteLog(text);
    QFile f(env.file(LogFileName(QDate(2024, 3, 15))));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // GBK text stays GBK (喝水 is BA C8 CB AE), and the emoji GBK lacks is kept too.
    QVERIFY(bytes.contains(QByteArray::fromHex("bac8cbae")));
    QVERIFY(bytes.contains(QByteArray::fromHex("9439fc36")));
    QVERIFY(!bytes.contains("\n\n"));
    QCOMPARE(env.logText(QDate(2024, 3, 15)),
             QStringLiteral("2024-03-15 09:30:00：") +
                 QStringLiteral("insert into AlamContext(ReMark) values('喝水 😀 €')\r\nnext line\r\n"));
}

void TestShell::unwritableLogIsSilent_data()
{
    QTest::addColumn<bool>("logIsFolder");
    // Both fail for root too, unlike a folder without write permission.
    QTest::newRow("the day's log file is a folder") << true;
    QTest::newRow("the program folder lies under a file") << false;
}

void TestShell::unwritableLogIsSilent()
{
    QFETCH(bool, logIsFolder);
    TestEnv env(false);
    const QString plain = env.file(QStringLiteral("plain"));
    if (logIsFolder) {
        QVERIFY(QDir().mkdir(env.file(LogFileName(QDate(2024, 3, 15)))));
    } else {
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        setAppPath(plain + QStringLiteral("/folder"));
    }
    const auto contents = [&env] {
        QStringList out;
        QDirIterator it(env.folder(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            out << info.filePath() + (info.isDir() ? QStringLiteral("/") : QStringLiteral(" %1").arg(info.size()));
        }
        out.sort();
        return out;
    };
    const QStringList before = contents();
    ExceptionHandler.HandleException(std::make_exception_ptr(
        EDBException(QStringLiteral("disk I/O error"), QStringLiteral("数据库操作失败！"), QStringLiteral("x"))));
    setAppPath(env.folder());
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("数据库操作失败！\r\n详细信息：disk I/O error")});
    QCOMPARE(contents(), before);
}

void TestShell::errorsAreReported_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logged");
    QTest::newRow("database error with statement")
        << 0 << "数据库查询错误，请检查！\r\n详细信息：no such table: X"
        << "2024-03-15 09:30:00：数据库查询错误，请检查！\r\n详细信息：no such table: X\r\nselect * from X\r\n";
    QTest::newRow("database error without statement") << 1 << "数据库恢复失败！\r\n详细信息：not a database"
                                                      << "";
    QTest::newRow("input check") << 2 << "该名称已经存在，请重新输入！"
                                 << "";
    QTest::newRow("platform error") << 3 << "disk full"
                                    << "";
    QTest::newRow("cancellation") << 4 << ""
                                  << "";
}

void TestShell::errorsAreReported()
{
    QFETCH(int, which);
    QFETCH(QString, shown);
    QFETCH(QString, logged);
    TestEnv env(false);
    Guarded([which] {
        switch (which) {
        case 0:
            throw EDBException(QStringLiteral("no such table: X"), QStringLiteral("数据库查询错误，请检查！"),
                               QStringLiteral("select * from X"));
        case 1:
            throw EDBException(QStringLiteral("not a database"), QStringLiteral("数据库恢复失败！"), QString());
        case 2:
            throw EAppError(QStringLiteral("该名称已经存在，请重新输入！"));
        case 3:
            throw std::runtime_error("disk full");
        default:
            Abort();
        }
    });
    if (shown.isEmpty()) {
        QVERIFY(env.messages.boxes().isEmpty());
    } else {
        QCOMPARE(env.messages.boxes().size(), 1);
        QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("错误"));
        QCOMPARE(env.messages.boxes().first().text, shown);
    }
    QCOMPARE(env.logText(QDate(2024, 3, 15)), logged);
}

void TestShell::guardedSlotsNeverThrowIntoQt()
{
    TestEnv env(false);
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, &timer, guard([&ticks] {
        ++ticks;
        throw EAppError(QStringLiteral("坏了"));
    }));
    timer.start(1);
    QVERIFY(QTest::qWaitFor([&] { return ticks >= 2; }));
    timer.stop();
    QCOMPARE(env.messages.boxes().first().text, QStringLiteral("坏了"));
}

void TestShell::confirmDefaultsToNo()
{
    // The real box: Enter without moving the focus answers No.
    bool answer = true;
    QString caption;
    ModalPoller poller([&](QDialog* d) {
        caption = d->windowTitle();
        QTest::keyClick(d, Qt::Key_Return);
    });
    answer = AskConfirm(QStringLiteral("确定要退出程序吗？"));
    QVERIFY(poller.handled());
    QCOMPARE(caption, QStringLiteral("确认"));
    QVERIFY(!answer);

    ModalPoller yes([](QDialog* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        QVERIFY(box);
        box->button(QMessageBox::Yes)->click();
    });
    QVERIFY(AskConfirm(QStringLiteral("?")));
}

void TestShell::shellTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    QTest::newRow("bare host") << "www.example.com"
                               << "http://www.example.com";
    QTest::newRow("with scheme") << "https://example.com/a?b=1"
                                 << "https://example.com/a?b=1";
    QTest::newRow("blanks around") << "  www.example.cn  "
                                   << "http://www.example.cn";
    QTest::newRow("mail") << "mailto:a@example.com"
                          << "mailto:a@example.com";
    QTest::newRow("blank") << "   "
                           << "";
    QTest::newRow("no address") << "not an address at all"
                                << "";
}

void TestShell::shellTargets()
{
    QFETCH(QString, target);
    QFETCH(QString, url);
    QCOMPARE(ShellTarget(target).toString(), url);
}

void TestShell::startupStopsAtFailingStep()
{
    TestEnv env(false);
    QStringList ran;
    const auto makeSteps = [&] {
        StartupSequence steps;
        steps.add(QStringLiteral("one"), [&] { ran << QStringLiteral("one"); });
        steps.add(QStringLiteral("two"), [&] {
            ran << QStringLiteral("two");
            throw EDBException(QStringLiteral("boom"), QStringLiteral("数据库查询错误，请检查！"), QStringLiteral("s"));
        });
        steps.add(QStringLiteral("three"), [&] { ran << QStringLiteral("three"); });
        return steps;
    };
    QCOMPARE(makeSteps().run(), 1);
    QCOMPARE(ran, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    QCOMPARE(env.messages.boxes().size(), 1);

    // One event apart: the first step at once, each later one only once events run.
    ran.clear();
    int finished = -1;
    QObject context;
    StartupSequence::RunSpaced(makeSteps(), &context, [&](int done) { finished = done; });
    QCOMPARE(ran, QStringList{QStringLiteral("one")});
    QTRY_COMPARE(finished, 1);
    QCOMPARE(ran, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    QCOMPARE(env.messages.boxes().size(), 2);

    // Gone with its window: nothing more runs, nothing is told.
    ran.clear();
    finished = -1;
    auto* window = new QObject;
    StartupSequence::RunSpaced(makeSteps(), window, [&](int done) { finished = done; });
    delete window;
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(ran, QStringList{QStringLiteral("one")});
    QCOMPARE(finished, -1);
}

void TestShell::mainWindowFrame()
{
    TestEnv env;
    TFormMain w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Vornet-Halvik"));
    QCOMPARE(w.size(), QSize(792, 486));
    QCOMPARE(w.pgc1->count(), 3);
    QCOMPARE(w.pgc1->tabText(0), QStringLiteral("记事本"));
    QCOMPARE(w.pgc1->tabText(1), QStringLiteral("定时提醒"));
    QCOMPARE(w.pgc1->tabText(2), QStringLiteral("网址管理"));
    QCOMPARE(w.pgc1->currentWidget(), static_cast<QWidget*>(w.ts2));
    QCOMPARE(w.chk1->text(), QStringLiteral("开机运行"));
    QCOMPARE(w.btnSystem->text(), QStringLiteral("软件设置"));
    QCOMPARE(w.pnl1->height(), 25);
    QStringList items;
    for (QAction* a : w.pmSystem->actions()) {
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    QCOMPARE(items, (QStringList{"软件主页", "-", "搜索全部…", "软件设置", "-", "数据备份", "数据恢复"}));
    items.clear();
    for (QAction* a : w.PopupMenu->actions()) {
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    // 锁定 is offered only while a login password is set (tst_password).
    QCOMPARE(items, (QStringList{"软件主页", "-", "显示窗口", "搜索全部…", "锁定", "关闭"}));
    QVERIFY(w.tmr1->isActive());
    QCOMPARE(w.tmr1->interval(), 1000);
    QVERIFY(env.messages.boxes().isEmpty());
}

void TestShell::closeQuestion()
{
    TestEnv env;
    TFormMain w;
    w.show();
    QVERIFY(!w.close());
    QCOMPARE(env.messages.boxes().size(), 1);
    QCOMPARE(env.messages.boxes().first().caption, QStringLiteral("确认"));
    QCOMPARE(env.messages.boxes().first().text, QStringLiteral("确定要退出程序吗？"));
    QVERIFY(w.isVisible());
    QVERIFY(w.tmr1->isActive());

    // The tray menu's "关闭" asks the same question.
    w.NClose->trigger();
    QCOMPARE(env.messages.boxes().size(), 2);
    QVERIFY(w.isVisible());

    env.messages.answer(true);
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QVERIFY(!w.tmr1->isActive());
}

void TestShell::sessionEndAsksTheSameQuestion()
{
    TestEnv env;
    TFormMain w;
    w.show();
    QVERIFY(!w.sessionMayEnd());
    QCOMPARE(env.messages.boxes().last().text, QStringLiteral("确定要退出程序吗？"));
    QVERIFY(w.isVisible());
    env.messages.answer(true);
    QVERIFY(w.sessionMayEnd());
}

void TestShell::settingsMenuAtPointer()
{
    TestEnv env;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCursor::setPos(w.btnSystem->mapToGlobal(QPoint(60, 20)));
    const QPoint pointer = QCursor::pos();
    w.btnSystem->click();
    QVERIFY(w.pmSystem->isVisible());
    // At the pointer (shifted only as far as the screen edge demands), not under the button.
    QVERIFY(w.pmSystem->geometry().adjusted(-1, -1, 1, 1).contains(pointer));
    QVERIFY(w.pmSystem->pos() != w.btnSystem->mapToGlobal(QPoint(0, w.btnSystem->height())));
    w.pmSystem->hide();
}

void TestShell::homePage()
{
    TestEnv env;
    TFormMain w;
    w.NOpenWWW1->trigger();
    w.NOpenWWW2->trigger();
    QCOMPARE(env.opened.size(), 2);
    QCOMPARE(env.opened.first().scheme(), QStringLiteral("http"));
    QCOMPARE(env.opened.first().host(), QStringLiteral("www.vornet-halvik.example"));
}

void TestShell::installedLayout_data()
{
    QTest::addColumn<QString>("executableFolder");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("installed");
    const QString ours = QStringLiteral("share/metainfo/") + AppPaths::kAppId + QStringLiteral(".metainfo.xml");
    QTest::newRow("any prefix") << "opt/vh/bin" << QStringList{"opt/vh/bin/vornet-halvik", "opt/vh/" + ours} << true;
    QTest::newRow("build folder") << "build/bin" << QStringList{"build/bin/vornet-halvik", "build/bin/bookkeep.dat"}
                                  << false;
    QTest::newRow("another program's share")
        << "usr/bin" << QStringList{"usr/bin/vornet-halvik", "usr/share/metainfo/other.metainfo.xml"} << false;
    QTest::newRow("not in a bin folder") << "opt/vh/app" << QStringList{"opt/vh/app/vornet-halvik", "opt/vh/" + ours}
                                         << false;
    QTest::newRow("metainfo beside, not in share") << "opt/bin" << QStringList{"opt/bin/" + ours} << false;
}

void TestShell::installedLayout()
{
    QFETCH(QString, executableFolder);
    QFETCH(QStringList, files);
    QFETCH(bool, installed);
    TestEnv env(false);
    const QString root = env.file(QStringLiteral("tree/"));
    for (const QString& name : files) {
        QVERIFY(QDir().mkpath(QFileInfo(root + name).absolutePath()));
        QFile file(root + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(root + executableFolder));
    QCOMPARE(AppPaths::IsInstalledLayout(root + executableFolder), installed);
    // Installed, the data leave the program's folder for the user's own.
    QCOMPARE(AppPaths::FolderFor(root + executableFolder),
             installed ? env.file(QStringLiteral("data/Vornet-Halvik/")) : root + executableFolder + QLatin1Char('/'));
}

void TestShell::userDataFolder_data()
{
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<QString>("expected"); // under the home folder
    QTest::newRow("unset") << QString() << ".local/share/Vornet-Halvik/";
    QTest::newRow("absolute") << "HOME/my data/"
                              << "my data/Vornet-Halvik/";
    QTest::newRow("relative is ignored") << "my data"
                                         << ".local/share/Vornet-Halvik/";
}

void TestShell::userDataFolder()
{
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, expected);
    TestEnv env(false);
    if (xdgDataHome.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", xdgDataHome.replace(QStringLiteral("HOME/"), env.folder()).toUtf8());
    }
    QCOMPARE(AppPaths::UserDataFolder(), env.file(expected));
}

void TestShell::firstStartMakesFolderAndDatabase()
{
    TestEnv env(false);
    const QString folder = env.file(QStringLiteral("data/Vornet-Halvik/"));
    QVERIFY(FirstStart::MakeDataFolder(folder));
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions()); // the owner's alone
    QVERIFY(FirstStart::MakeDatabaseIfMissing(folder + QStringLiteral("bookkeep.dat")));
    setAppPath(folder);
    TDbAccess made;
    QVERIFY(made.Connect());
    QCOMPARE(made.QueryInt(QStringLiteral("select count(*) from SysSet")), 1);

    // Whatever is there already is never replaced, however it looks.
    QFile kept(env.file(QStringLiteral("kept.dat")));
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("mine") == 4);
    kept.close();
    QVERIFY(FirstStart::MakeDataFolder(folder));
    QVERIFY(FirstStart::MakeDatabaseIfMissing(kept.fileName()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("mine"));
    QVERIFY(env.messages.boxes().isEmpty());
    QVERIFY(!TerminateRequested());
}

void TestShell::firstStartFailuresAreShown_data()
{
    QTest::addColumn<bool>("folderStep");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder under a file") << true << "无法创建数据文件夹：";
    QTest::newRow("database in a missing folder") << false << "无法创建数据库 ";
}

void TestShell::firstStartFailuresAreShown()
{
    QFETCH(bool, folderStep);
    QFETCH(QString, reason);
    TestEnv env(false);
    QFile blocker(env.file(QStringLiteral("a-file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const bool made = folderStep ? FirstStart::MakeDataFolder(env.file(QStringLiteral("a-file/Vornet-Halvik")))
                                 : FirstStart::MakeDatabaseIfMissing(env.file(QStringLiteral("none/bookkeep.dat")));
    QVERIFY(!made);
    QCOMPARE(env.messages.boxes().size(), 1);
    QVERIFY2(env.messages.texts().first().startsWith(QStringLiteral("数据库连接失败！\r\n详细信息：") + reason),
             qPrintable(env.messages.texts().first()));
    QVERIFY(TerminateRequested());
}

void TestShell::platformUnderWayland_data()
{
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("chosen"); // QT_QPA_PLATFORM
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("wayland with an X server") << "wayland-0"
                                              << ":1"
                                              << "" << QStringList() << QByteArray("xcb");
    QTest::newRow("wayland alone") << "wayland-0"
                                   << ""
                                   << "" << QStringList() << QByteArray();
    QTest::newRow("X alone") << ""
                             << ":0"
                             << "" << QStringList() << QByteArray();
    QTest::newRow("the user's variable") << "wayland-0"
                                         << ":1"
                                         << "wayland" << QStringList() << QByteArray();
    QTest::newRow("the user's argument") << "wayland-0"
                                         << ":1"
                                         << "" << QStringList{"-platform", "wayland"} << QByteArray();
    QTest::newRow("the user's long argument") << "wayland-0"
                                              << ":1"
                                              << "" << QStringList{"--platform=wayland"} << QByteArray();
    QTest::newRow("other arguments") << "wayland-0"
                                     << ":1"
                                     << "" << QStringList{"--version", "x"} << QByteArray("xcb");
}

void TestShell::platformUnderWayland()
{
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, display);
    QFETCH(QString, chosen);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    const QByteArray saved[] = {qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM")};
    const char* names[] = {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"};
    const QString values[] = {waylandDisplay, display, chosen};
    for (int i = 0; i < 3; ++i) {
        if (values[i].isEmpty()) {
            qunsetenv(names[i]);
        } else {
            qputenv(names[i], values[i].toUtf8());
        }
    }
    const QByteArray preferred = DisplayPlatform::Preferred(arguments);
    for (int i = 0; i < 3; ++i) {
        if (saved[i].isNull()) {
            qunsetenv(names[i]);
        } else {
            qputenv(names[i], saved[i]);
        }
    }
    QCOMPARE(preferred, expected);
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
