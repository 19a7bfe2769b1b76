// Login settings: the settings row, the password dialog, the settings dialog's
// rules, and the login at start.
#include "ModalPoller.h"
#include "TestEnv.h"
#include "base/Application.h"
#include "frame/TFormMain.h"
#include "groups/TZentTree.h"
#include "reminders/Chime.h"
#include "reminders/TFormShowAlam.h"
#include "settings/TFormConfig.h"
#include "settings/TFormPass.h"
#include "store/TAlam.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"
#include "urls/UrlsTab.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

void storeSettings(bool on, const QString& password)
{
    ConfigStore.bPass = on;
    ConfigStore.PassWord = password;
    ConfigStore.SaveConfig();
}

QString stored()
{
    ConfigStore.LoadConfig();
    return QStringLiteral("%1:%2").arg(ConfigStore.bPass ? 1 : 0).arg(ConfigStore.PassWord);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void storeRoundTrip();
    void failedSaveKeepsPreviousValues();
    void passwordDialog_data();
    void passwordDialog();
    void settingsDialog_data();
    void settingsDialog();
    void untickedBoxesStayEnabledAndTickingFills();
    void loginAtStart_data();
    void loginAtStart();
};

void TestSettings::storeRoundTrip()
{
    TestEnv env;
    QCOMPARE(stored(), QStringLiteral("0:"));
    // Stored exactly as typed, quotes and blanks included, and there for a
    // program started afresh.
    storeSettings(true, QStringLiteral(" Pa'ss 密码 "));
    QCOMPARE(stored(), QStringLiteral("1: Pa'ss 密码 "));
    QVERIFY(DbAccess->Connect());
    QCOMPARE(stored(), QStringLiteral("1: Pa'ss 密码 "));
    storeSettings(false, QString());
    QCOMPARE(stored(), QStringLiteral("0:"));
    ExecSQL(QStringLiteral("update SysSet set PassWord=NULL"));
    QCOMPARE(stored(), QStringLiteral("0:"));
}

void TestSettings::failedSaveKeepsPreviousValues()
{
    TestEnv env;
    storeSettings(true, QStringLiteral("old"));
    ExecSQL(QStringLiteral("alter table SysSet rename to Gone"));
    ConfigStore.bPass = false;
    ConfigStore.PassWord = QStringLiteral("new");
    QVERIFY_THROWS_EXCEPTION(std::exception, ConfigStore.SaveConfig());
    QVERIFY(ConfigStore.bPass);
    QCOMPARE(ConfigStore.PassWord, QStringLiteral("old"));
}

void TestSettings::passwordDialog_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << "Secret 1" << true;
    QTest::newRow("other case") << "secret 1" << false;
    QTest::newRow("trailing blank") << "Secret 1 " << false;
    QTest::newRow("empty") << "" << false;
}

void TestSettings::passwordDialog()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    TestEnv env;
    ModalPoller poller([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormPass*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("标题"));
        QCOMPARE(dlg->edtPass->echoMode(), QLineEdit::Password);
        dlg->edtPass->setText(typed);
        dlg->btnOK->click();
        if (dlg->isVisible()) {
            QCOMPARE(dlg->edtPass->text(), typed); // left as typed for another try
            QTest::keyClick(dlg, Qt::Key_Escape);
        }
    });
    QCOMPARE(AskPassword(QStringLiteral("Secret 1"), QStringLiteral("标题")), accepted ? int(mrOk) : int(mrCancel));
    QCOMPARE(env.messages.texts(), accepted ? QStringList() : QStringList{QStringLiteral("密码输入错误!")});
}

void TestSettings::settingsDialog_data()
{
    QTest::addColumn<bool>("storedOn");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<QString>("rePass");
    QTest::addColumn<QString>("oldTyped"); // typed into the old-password dialog; "-" cancels it
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("askedCaption");
    QTest::addColumn<QString>("result");
    QTest::newRow("first password asks nothing") << false << "" << true << " lead"
                                                 << " lead"
                                                 << "" << QStringList() << ""
                                                 << "1: lead";
    QTest::newRow("blanks only refused") << false << "" << true << "   "
                                         << "   "
                                         << "" << QStringList{"密码不能为空!"} << ""
                                         << "0:";
    QTest::newRow("mismatch refused") << false << "" << true << "a"
                                      << "b"
                                      << "" << QStringList{"两次输入的密码不一样,请重新输入!"} << ""
                                      << "0:";
    QTest::newRow("unchanged asks nothing") << true << "old" << true << "old"
                                            << "old"
                                            << "" << QStringList() << ""
                                            << "1:old";
    QTest::newRow("change asks old") << true << "old" << true << "new"
                                     << "new"
                                     << "old" << QStringList() << "请先输入旧密码"
                                     << "1:new";
    QTest::newRow("change cancelled saves nothing") << true << "old" << true << "new"
                                                    << "new"
                                                    << "-" << QStringList() << "请先输入旧密码"
                                                    << "1:old";
    QTest::newRow("change with wrong old") << true << "old" << true << "new"
                                           << "new"
                                           << "OLD" << QStringList{"密码输入错误!"} << "请先输入旧密码"
                                           << "1:old";
    QTest::newRow("untick asks password") << true << "old" << false << ""
                                          << ""
                                          << "old" << QStringList() << "请先输入密码才可以取消登录密码"
                                          << "0:";
    QTest::newRow("untick with none stored") << true << "" << false << ""
                                             << ""
                                             << "" << QStringList() << ""
                                             << "0:";
}

void TestSettings::settingsDialog()
{
    QFETCH(bool, storedOn);
    QFETCH(QString, storedPassword);
    QFETCH(bool, tick);
    QFETCH(QString, pass);
    QFETCH(QString, rePass);
    QFETCH(QString, oldTyped);
    QFETCH(QStringList, boxes);
    QFETCH(QString, askedCaption);
    QFETCH(QString, result);
    TestEnv env;
    storeSettings(storedOn, storedPassword);
    QString caption;
    ModalPoller settings([&](QDialog* d) {
        auto* dlg = qobject_cast<TFormConfig*>(d);
        QCOMPARE(dlg->windowTitle(), QStringLiteral("软件设置"));
        QCOMPARE(dlg->chkPass->isChecked(), storedOn);
        QCOMPARE(dlg->edtPass->text(), storedPassword);
        if (dlg->chkPass->isChecked() != tick) {
            dlg->chkPass->click();
        }
        if (tick) {
            dlg->edtPass->setText(pass);
            dlg->edtRePass->setText(rePass);
        }
        ModalPoller old([&](QDialog* p) {
            caption = p->windowTitle();
            auto* pd = qobject_cast<TFormPass*>(p);
            if (oldTyped != QLatin1String("-")) {
                pd->edtPass->setText(oldTyped);
                pd->btnOK->click();
            }
            if (pd->isVisible()) {
                pd->btnCancel->click();
            }
        });
        dlg->btnOK->click();
        if (dlg->isVisible()) {
            dlg->btnCancel->click();
        }
    });
    ShowConfigDlg();
    QVERIFY(settings.handled());
    QCOMPARE(env.messages.texts(), boxes);
    QCOMPARE(caption, askedCaption);
    QCOMPARE(stored(), result);
}

void TestSettings::untickedBoxesStayEnabledAndTickingFills()
{
    TestEnv env;
    storeSettings(false, QString());
    TFormConfig dlg;
    QVERIFY(dlg.edtPass->isEnabled() && dlg.edtRePass->isEnabled());
    dlg.edtPass->setText(QStringLiteral("kept"));
    dlg.btnOK->click();
    QCOMPARE(stored(), QStringLiteral("0:kept"));
    TFormConfig again;
    again.chkPass->click();
    QCOMPARE(again.edtPass->text(), QStringLiteral("kept"));
    QCOMPARE(again.edtRePass->text(), QStringLiteral("kept"));
    again.chkPass->click();
    QVERIFY(!again.edtPass->isEnabled());
    QVERIFY(again.edtPass->text().isEmpty());
}

void TestSettings::loginAtStart_data()
{
    QTest::addColumn<QString>("typed"); // "-" cancels
    QTest::addColumn<bool>("runs");
    QTest::newRow("right password") << "pw" << true;
    QTest::newRow("cancel ends") << "-" << false;
    QTest::newRow("wrong then cancel") << "PW" << false;
}

void TestSettings::loginAtStart()
{
    QFETCH(QString, typed);
    QFETCH(bool, runs);
    TestEnv env;
    // A file from before the password became the key: the stored password is asked.
    ExecSQL(QStringLiteral("update SysSet set bPass=-1, PassWord='pw'"));
    // Due now: the scheduler must alert while the login waits.
    AlamStore.AlamTime = QTime(9, 30, 0);
    AlamStore.ReDay = true;
    AlamStore.ReMark = QStringLiteral("during login");
    AlamStore.InsertAlam();
    ExecSQL(QStringLiteral("insert into IEType values (1,0,'group')"));
    Chime::setPlayer([] {});
    bool ticked = false;
    QString caption;
    ModalPoller login([&](QDialog* d) {
        caption = d->windowTitle();
        auto* dlg = qobject_cast<TFormPass*>(d);
        ticked = QTest::qWaitFor([] { return !TFormShowAlam::OpenAlerts().isEmpty(); });
        if (typed != QLatin1String("-")) {
            dlg->edtPass->setText(typed);
            dlg->btnOK->click();
        }
        if (dlg->isVisible()) {
            dlg->btnCancel->click();
        }
    });
    TFormMain window;
    window.show();
    QVERIFY(login.handled());
    QVERIFY(ticked);
    QCOMPARE(caption, QStringLiteral("先输入密码登录软件"));
    QCOMPARE(TerminateRequested(), !runs);
    QCOMPARE(window.isVisible(), runs);
    // A refused login loads nothing more.
    QCOMPARE(window.IETypeTree->Root()->childCount(), runs ? 1 : 0);
    QCOMPARE(window.ts1->GridRows != nullptr, runs);
    // After the login the password is the file's key.
    QCOMPARE(DbAccess->Key() == DbKey::fromPassword(QStringLiteral("pw")), runs);
    // No close question on the way out.
    QVERIFY(!env.messages.texts().contains(QStringLiteral("确定要退出程序吗？")));
    TFormShowAlam::CloseAll();
    Chime::setPlayer({});
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
