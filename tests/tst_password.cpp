// The login password as the database's key: opening a file keyed with it,
// changing it (and a change killed at any moment), backups and restores across
// keys, and the password kept out of the log.
#include "Files.h"
#include "ModalPoller.h"
#include "RekeyCycle.h"
#include "Seed.h"
#include "TestEnv.h"
#include "base/AppLock.h"
#include "base/Application.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "base/FileDialogs.h"
#include "desktop/TrayIcon.h"
#include "frame/TApplication.h"
#include "frame/TFormMain.h"
#include "reminders/Chime.h"
#include "reminders/TFormMissedAlam.h"
#include "reminders/TFormShowAlam.h"
#include "settings/TFormConfig.h"
#include "settings/TFormPass.h"
#include "store/DbConnection.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>

namespace {

void storeSettings(bool on, const QString& password)
{
    ConfigStore.bPass = on;
    ConfigStore.PassWord = password;
    ConfigStore.SaveConfig();
}

bool opensWith(const QString& path, const DbKey& key)
{
    DbConnection db;
    db.open(path, key);
    return db.keyFits();
}

// The program started afresh on the sandbox's folder: not connected, fixed key.
void restart(TestEnv& env)
{
    env.db = std::make_unique<TDbAccess>();
    DbAccess = env.db.get();
}

// A database made directly with the engine: `key` as a key statement (none for a
// plain file), and the given tables.
void makeDatabase(const QString& path, const char* key, const char* tables)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    if (key) {
        const QByteArray keying = QByteArray("PRAGMA key='") + key + "'; PRAGMA cipher_page_size = 4096;";
        QCOMPARE(sqlite3_exec(db, keying.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    QCOMPARE(sqlite3_exec(db, tables, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

const char* kOurTables = "CREATE TABLE IEType(a);CREATE TABLE NoteType(a);CREATE TABLE IE(a);"
                         "CREATE TABLE NoteBook(a);CREATE TABLE Alam(a);CREATE TABLE AlamContext(a);"
                         "CREATE TABLE SysSet(a);";

QStringList firstLines(const QStringList& texts)
{
    QStringList out;
    for (const QString& text : texts) {
        out << text.section(QStringLiteral("\r\n"), 0, 0);
    }
    return out;
}

// Types each entry into the password dialog and presses OK while it stays open;
// "-" cancels it.
ModalPoller::Drive typeInto(const QStringList& entries, QString* caption = nullptr)
{
    return [entries, caption](QDialog* d) {
        auto* dlg = qobject_cast<TFormPass*>(d);
        QVERIFY(dlg);
        if (caption) {
            *caption = dlg->windowTitle();
        }
        for (const QString& entry : entries) {
            if (!dlg->isVisible()) {
                break;
            }
            if (entry == QLatin1String("-")) {
                dlg->btnCancel->click();
                break;
            }
            dlg->edtPass->setText(entry);
            dlg->btnOK->click();
        }
    };
}

ino_t inode(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private slots:
    void openAtStart_data();
    void openAtStart();
    void theSettingsChooseTheKey();
    void passwordStaysOutOfTheLog();
    void rekeyKilledAtRandomMoments();
    void backupHasTheKeyInForce();
    void restoreAcrossKeys_data();
    void restoreAcrossKeys();
    void lockHidesUntilThePassword();
    void lockWaitsForAnOpenDialog();
};

void TestPassword::openAtStart_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("outcome"); // opened, ended (silently) or refused
    QTest::addColumn<QStringList>("boxes");
    const QStringList none;
    const QString wrong = QStringLiteral("密码输入错误!");
    const QString refused = QStringLiteral("数据库连接失败！");
    QTest::newRow("fixed key") << "fixed" << none << "opened" << none;
    QTest::newRow("password key") << "password" << QStringList{"秘密 pw"} << "opened" << none;
    QTest::newRow("wrong, then right") << "password" << QStringList{"秘密 PW", "", "秘密 pw"} << "opened"
                                       << QStringList{wrong, wrong};
    QTest::newRow("cancelled") << "password" << QStringList{"-"} << "ended" << none;
    QTest::newRow("wrong, then cancelled") << "password" << QStringList{"x", "-"} << "ended" << QStringList{wrong};
    QTest::newRow("another program's key")
        << "other" << QStringList{"12345678901234 ", "-"} << "ended" << QStringList{wrong};
    QTest::newRow("keyed, not ours") << "keyed foreign" << QStringList{"pw"} << "refused" << QStringList{refused};
    QTest::newRow("text in whole pages") << "text" << none << "refused" << QStringList{refused};
    QTest::newRow("plain database") << "plain" << none << "refused" << QStringList{refused};
    QTest::newRow("random, not whole pages") << "random" << none << "refused" << QStringList{refused};
}

void TestPassword::openAtStart()
{
    QFETCH(QString, file);
    QFETCH(QStringList, typed);
    QFETCH(QString, outcome);
    QFETCH(QStringList, boxes);
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("kept"));
    if (file == QLatin1String("password")) {
        storeSettings(true, QStringLiteral("秘密 pw"));
    }
    env.db.reset();
    if (file == QLatin1String("fixed")) {
        // Keyed exactly as the program always keyed its file.
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(env.dbPath().toUtf8().constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "PRAGMA key = '58203917460382'; PRAGMA cipher_page_size = 4096;", nullptr, nullptr,
                              nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, "SELECT count(*) FROM NoteType", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    } else if (file != QLatin1String("password")) {
        QFile::remove(env.dbPath());
        if (file == QLatin1String("other")) {
            makeDatabase(env.dbPath(), "12345678901234", kOurTables);
        } else if (file == QLatin1String("keyed foreign")) {
            makeDatabase(env.dbPath(), "pw", "CREATE TABLE t(a);");
        } else if (file == QLatin1String("plain")) {
            makeDatabase(env.dbPath(), nullptr, kOurTables);
        } else if (file == QLatin1String("text")) {
            writeFile(env.dbPath(), QByteArray(8192, 'x'));
        } else {
            QByteArray noise(5000, Qt::Uninitialized);
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
            writeFile(env.dbPath(), noise);
        }
    }
    const QByteArray before = readAll(env.dbPath());
    restart(env);

    QString caption;
    ModalPoller login(typeInto(typed, &caption));
    const bool connected = TApplication::ConnectDatabase(*DbAccess);
    QCOMPARE(login.handled(), !typed.isEmpty());
    if (login.handled()) {
        QCOMPARE(caption, QStringLiteral("先输入密码登录软件"));
    }
    QCOMPARE(connected, outcome == QLatin1String("opened"));
    QCOMPARE(DbAccess->Connected(), connected);
    QCOMPARE(TerminateRequested(), !connected);
    QCOMPARE(firstLines(env.messages.texts()), boxes);
    if (connected) {
        QCOMPARE(QueryInt(QStringLiteral("select count(*) from NoteType")), 1);
    } else {
        QCOMPARE(readAll(env.dbPath()), before);
    }
}

void TestPassword::theSettingsChooseTheKey()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("kept"));
    ExecSQL(QStringLiteral("insert into IE(TypeID,IEUrl,IEName,ReMark) values (0,'a.example','a','')"));
    struct Step
    {
        bool on;
        QString password;
        QString key; // the key the file must then have; "" for the fixed one
    };
    const QList<Step> steps = {
        {true, QStringLiteral("a'b 甲"), QStringLiteral("a'b 甲")},
        {true, QStringLiteral("a'b 甲"), QStringLiteral("a'b 甲")}, // saved again: the file stays
        {true, QStringLiteral(" b"), QStringLiteral(" b")},
        {false, QStringLiteral("kept while off"), QString()},
        {true, QStringLiteral("c"), QStringLiteral("c")},
        {true, QString(), QString()}, // on without a password
    };
    QStringList wrongKeys = {QString()};
    ino_t last = inode(env.dbPath());
    for (const Step& step : steps) {
        storeSettings(step.on, step.password);
        const DbKey key = DbKey::fromPassword(step.key);
        QVERIFY2(opensWith(env.dbPath(), key), qPrintable(step.key));
        for (const QString& other : std::as_const(wrongKeys)) {
            if (other != step.key) {
                QVERIFY2(!opensWith(env.dbPath(), DbKey::fromPassword(other)), qPrintable(other));
            }
        }
        wrongKeys << step.key;
        const ino_t now = inode(env.dbPath());
        QCOMPARE(now == last, &step == &steps[1]);
        last = now;
        // Nothing lost, the settings inside, nothing left beside it.
        restart(env);
        QVERIFY(DbAccess->ConnectWith(key) == TDbAccess::KeyResult::Opened);
        QCOMPARE(QueryInt(QStringLiteral("select count(*) from NoteType")) +
                     QueryInt(QStringLiteral("select count(*) from IE")),
                 2);
        ConfigStore.LoadConfig();
        QCOMPARE(ConfigStore.bPass, step.on);
        QCOMPARE(ConfigStore.PassWord, step.password);
        QCOMPARE(QDir(env.folder()).entryList({QStringLiteral("bookkeep.dat.*")}), QStringList());
    }
    // The dialog says what a forgotten password means.
    TFormConfig dialog;
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labels << label->text();
    }
    QVERIFY2(labels.contains(QStringLiteral("密码就是数据文件的钥匙：忘记密码，数据就无法打开，也无法找回。")),
             qPrintable(labels.join(QLatin1Char('|'))));
}

void TestPassword::passwordStaysOutOfTheLog()
{
    TestEnv env;
    storeSettings(true, QStringLiteral("old secret"));
    ExecSQL(QStringLiteral("alter table SysSet rename to Gone"));
    for (const QString& next : {QStringLiteral("old secret"), QStringLiteral("new secret")}) {
        ConfigStore.bPass = true;
        ConfigStore.PassWord = next;
        Guarded([] { ConfigStore.SaveConfig(); });
    }
    QCOMPARE(env.messages.boxes().size(), 2);
    const QString log = env.logText(QDate(2024, 3, 15));
    QVERIFY2(log.contains(QStringLiteral("[PassWord]='***'")), qPrintable(log));
    QVERIFY(!log.contains(QStringLiteral("secret")));
    QVERIFY(!ExceptionHandler.LastStatement.contains(QStringLiteral("secret")));
    QVERIFY(!ConfigStore.statement.contains(QStringLiteral("secret")));
    // The failed change left the old key in force.
    QVERIFY(DbAccess->Key() == DbKey::fromPassword(QStringLiteral("old secret")));
    QVERIFY(opensWith(env.dbPath(), DbAccess->Key()));
}

void TestPassword::rekeyKilledAtRandomMoments()
{
    TestEnv env;
    // A note of some size, so that a copy takes a while, and a few addresses.
    QString note;
    for (int i = 0; note.size() < 300000; ++i) {
        note += QStringLiteral("第%1行 line %1\n").arg(i);
    }
    NoteStore.TypeID = 0;
    NoteStore.ReMark = note;
    NoteStore.AddNote();
    for (int i = 0; i < 30; ++i) {
        addUrl(0, QStringLiteral("site%1.example").arg(i), QStringLiteral("站点 %1").arg(i));
    }
    env.db.reset();
    DbAccess = nullptr;

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    int step = 0;   // the file has the key of RekeyCycle::at(step)
    int groups = 0; // groups 1..groups are stored
    int midChange = 0;
    int newKey = 0;
    // First killed at each step of a change in turn, then at random moments.
    const QStringList stops = {QStringLiteral("exported"), QStringLiteral("settled"), QStringLiteral("closed"),
                               QStringLiteral("renamed"), QStringLiteral("reopened")};
    const int rounds = static_cast<int>(stops.size()) + 12;
    for (int round = 0; round < rounds; ++round) {
        const QString stop = round < stops.size() ? stops.at(round) : QString();
        const QString where = QStringLiteral("seed %1 round %2 %3").arg(seed).arg(round).arg(stop);
        QProcess churn;
        QStringList args = {QStringLiteral("rekey"), env.folder(), QString::number(step)};
        if (!stop.isEmpty()) {
            args << stop;
        }
        churn.start(QStringLiteral(VH_CHURN), args);
        QVERIFY2(churn.waitForStarted(), qPrintable(where));
        if (stop.isEmpty()) {
            // From its first group on, killed at a random moment of the next few changes.
            QVERIFY2(churn.waitForReadyRead(20000), qPrintable(where + churn.readAllStandardError()));
            QThread::msleep(random.bounded(1500));
            ::kill(static_cast<pid_t>(churn.processId()), SIGKILL);
        }
        QVERIFY(churn.waitForFinished(20000));
        QVERIFY2(churn.exitStatus() == QProcess::CrashExit, qPrintable(where + churn.readAllStandardError()));
        int lastKey = step;
        int lastGroup = groups;
        bool inChange = false; // killed between a group and the change after it
        for (const QByteArray& line : churn.readAllStandardOutput().split('\n')) {
            if (line.startsWith("K ")) {
                lastKey = line.mid(2).toInt();
                inChange = false;
            } else if (line.startsWith("G ")) {
                lastGroup = line.mid(2).toInt();
                inChange = true;
            }
        }
        midChange += inChange ? 1 : 0;
        // The key of the last change reported, or of the one in flight.
        int opened = -1;
        for (int candidate : {lastKey, lastKey + 1}) {
            if (opensWith(env.dbPath(), DbKey::fromPassword(RekeyCycle::at(candidate).password))) {
                opened = candidate;
                break;
            }
        }
        QVERIFY2(opened >= 0, qPrintable(where + QStringLiteral(": opens with neither key")));
        if (!stop.isEmpty()) {
            // Before the rename the old file is in place, from the rename on the new one.
            QCOMPARE(opened, lastKey + (round >= stops.indexOf(QStringLiteral("renamed")) ? 1 : 0));
        }
        newKey += opened > lastKey ? 1 : 0;
        DbConnection db;
        db.open(env.dbPath(), DbKey::fromPassword(RekeyCycle::at(opened).password));
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QVERIFY2(db.scalar(QStringLiteral("select ReMark from NoteBook where TypeID=0")) == note, qPrintable(where));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from IE")), QStringLiteral("30"));
        // Every group reported, perhaps the one in flight, none twice.
        const int stored = db.scalar(QStringLiteral("select count(*) from NoteType")).toInt();
        QVERIFY2(stored == lastGroup || stored == lastGroup + 1,
                 qPrintable(where + QStringLiteral(": %1 groups, %2 reported").arg(stored).arg(lastGroup)));
        QCOMPARE(db.scalar(QStringLiteral("select count(distinct SelfIndex) from NoteType where SelfIndex "
                                          "between 1 and %1")
                               .arg(stored)),
                 QString::number(stored));
        // The settings inside agree with the key.
        const RekeyCycle::Setting setting = RekeyCycle::at(opened);
        QCOMPARE(db.scalar(QStringLiteral("select bPass from SysSet")), setting.on ? QStringLiteral("-1") : "0");
        QCOMPARE(db.scalar(QStringLiteral("select PassWord from SysSet")), setting.password);
        QVERIFY(db.close());
        step = opened;
        groups = stored;
    }
    qInfo("seed %u: %d of %d kills inside a change of key; %d found the new key", seed, midChange, rounds, newKey);
}

void TestPassword::backupHasTheKeyInForce()
{
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("kept"));
    const QString fixed = env.file(QStringLiteral("fixed.bat"));
    BackupTo(fixed);
    storeSettings(true, QStringLiteral("pw"));
    const QString keyed = env.file(QStringLiteral("keyed.bat"));
    BackupTo(keyed);
    QVERIFY(opensWith(fixed, DbKey()));
    QVERIFY(!opensWith(keyed, DbKey()));
    QVERIFY(opensWith(keyed, DbKey::fromPassword(QStringLiteral("pw"))));
    DbConnection copy;
    copy.open(keyed, DbKey::fromPassword(QStringLiteral("pw")));
    copy.verify(true);
    QCOMPARE(copy.scalar(QStringLiteral("select TypeName from NoteType")), QStringLiteral("kept"));
}

void TestPassword::restoreAcrossKeys_data()
{
    QTest::addColumn<QString>("backupKey"); // "" for the fixed key
    QTest::addColumn<QString>("currentKey");
    QTest::addColumn<QStringList>("typed"); // into the backup's password dialog; empty: not asked
    QTest::addColumn<bool>("restored");
    QTest::addColumn<QStringList>("boxes");
    const QString wrong = QStringLiteral("密码输入错误!");
    QTest::newRow("fixed onto fixed") << ""
                                      << "" << QStringList() << true << QStringList();
    QTest::newRow("fixed onto password") << ""
                                         << "now" << QStringList() << true << QStringList();
    QTest::newRow("same password") << "now"
                                   << "now" << QStringList() << true << QStringList();
    QTest::newRow("password onto fixed") << "then"
                                         << "" << QStringList{"then"} << true << QStringList();
    QTest::newRow("other password, wrong first") << "then"
                                                 << "now" << QStringList{"now", "then"} << true << QStringList{wrong};
    QTest::newRow("cancelled") << "then"
                               << "now" << QStringList{"-"} << false << QStringList();
}

void TestPassword::restoreAcrossKeys()
{
    QFETCH(QString, backupKey);
    QFETCH(QString, currentKey);
    QFETCH(QStringList, typed);
    QFETCH(bool, restored);
    QFETCH(QStringList, boxes);
    TestEnv env;
    addGroup(QStringLiteral("NoteType"), 1, 0, QStringLiteral("in the backup"));
    storeSettings(!backupKey.isEmpty(), backupKey);
    const QString backup = env.file(QStringLiteral("saved.bat"));
    BackupTo(backup);
    addGroup(QStringLiteral("NoteType"), 2, 0, QStringLiteral("after the backup"));
    storeSettings(!currentKey.isEmpty(), currentKey);

    TFormMain window;
    env.messages.answer(true);
    FileDialogs::setNextFileName(backup);
    QString caption;
    ModalPoller prompt(typeInto(typed, &caption));
    window.N11->trigger();
    QCOMPARE(prompt.handled(), !typed.isEmpty());
    if (prompt.handled()) {
        QCOMPARE(caption, QStringLiteral("请输入该备份文件的密码"));
    }
    QCOMPARE(env.messages.texts().mid(1), boxes);
    QCOMPARE(QueryInt(QStringLiteral("select count(*) from NoteType")), restored ? 1 : 2);
    QCOMPARE(env.logText(QDate(2024, 3, 15)).contains(QStringLiteral("数据恢复！")), restored);
    // The key and the login settings in force stay, whatever the backup had.
    const DbKey current = DbKey::fromPassword(currentKey);
    QVERIFY(DbAccess->Key() == current);
    restart(env);
    QVERIFY(DbAccess->ConnectWith(current) == TDbAccess::KeyResult::Opened);
    ConfigStore.LoadConfig();
    QCOMPARE(ConfigStore.bPass, !currentKey.isEmpty());
    QCOMPARE(ConfigStore.PassWord, currentKey);
    QCOMPARE(QDir(env.folder()).entryList({QStringLiteral("bookkeep.dat.re*")}), QStringList());
}

void TestPassword::lockHidesUntilThePassword()
{
    TestEnv env;
    Chime::setPlayer([] {});
    addOnce(QStringLiteral("09:00:00"), QDate(2024, 3, 15), QStringLiteral("错过的秘密"));
    addOnce(QStringLiteral("10:00:00"), QDate(2024, 3, 15), QStringLiteral("秘密会议"));
    TFormMain window;
    window.show();
    delete TFormMissedAlam::Current(); // shown at start; looked at again below
    auto tip = [&] { return window.Tray->icon()->toolTip(); };
    // Without a password there is nothing to lock with.
    emit window.PopupMenu->aboutToShow();
    QVERIFY(!window.NLock->isVisible());
    window.NLock->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(!AppLock::isLocked());

    storeSettings(true, QStringLiteral("pw"));
    emit window.PopupMenu->aboutToShow();
    QVERIFY(window.NLock->isVisible());
    QCOMPARE(window.NLock->text(), QStringLiteral("锁定"));
    window.NLock->trigger();
    QVERIFY(AppLock::isLocked());
    QVERIFY(!window.isVisible());
    QCOMPARE(tip(), QStringLiteral("Vornet\n下一个提醒：10:00 有提醒"));
    // The missed reminders' texts wait for the password too.
    window.ShowMissed(QDateTime(), Clock::now());
    QVERIFY(!TFormMissedAlam::Current());

    // Every way back asks first; a wrong password or none leaves it locked.
    const QList<std::function<void()>> waysBack = {
        [&] { window.NShowForm->trigger(); }, [&] { window.Tray->WMTrayNotify(QSystemTrayIcon::DoubleClick); },
        [&] { window.ShowRequested(); },        // a second start's hand-over
        [&] { window.NSearchAll2->trigger(); }, // the search lists every text
    };
    for (const auto& back : waysBack) {
        ModalPoller refused(typeInto({QStringLiteral("PW"), QStringLiteral("-")}));
        back();
        QVERIFY(refused.handled());
        QVERIFY(!window.isVisible());
        QVERIFY(!window.FormSearch);
        QVERIFY(AppLock::isLocked());
    }
    QCOMPARE(env.messages.texts(), QStringList(4, QStringLiteral("密码输入错误!")));
    QString caption;
    ModalPoller unlocked(typeInto({QStringLiteral("pw")}, &caption));
    window.ShowRequested();
    QCOMPARE(caption, QStringLiteral("先输入密码登录软件"));
    QVERIFY(window.isVisible());
    QVERIFY(!AppLock::isLocked());
    QVERIFY(TFormMissedAlam::Current());
    QCOMPARE(tip(), QStringLiteral("Vornet\n下一个提醒：10:00 秘密会议"));
    TFormShowAlam::CloseAll();
}

void TestPassword::lockWaitsForAnOpenDialog()
{
    TestEnv env;
    storeSettings(true, QStringLiteral("pw"));
    TFormMain window;
    window.show();
    bool lockedWhileOpen = true;
    ModalPoller settings([&](QDialog* d) {
        window.NLock->trigger();
        // Hiding the dialog would end it and drop what was typed in it.
        lockedWhileOpen = AppLock::isLocked() || !d->isVisible();
    });
    window.N15->trigger();
    QVERIFY(settings.handled());
    QVERIFY(!lockedWhileOpen);
    QTRY_VERIFY(AppLock::isLocked());
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
