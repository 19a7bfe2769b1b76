#include "TFormMain.h"

#include "StartupSequence.h"
#include "WindowLock.h"
#include "base/AppLock.h"
#include "base/Application.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/MainWindowRef.h"
#include "base/Messages.h"
#include "base/ShellOpen.h"
#include "desktop/AutoRun.h"
#include "desktop/BackupRestore.h"
#include "desktop/TrayIcon.h"
#include "groups/TZentTree.h"
#include "notes/NotesTab.h"
#include "reminders/AlamEvents.h"
#include "reminders/AlamScheduler.h"
#include "reminders/RemindersTab.h"
#include "reminders/TFormMissedAlam.h"
#include "reminders/TFormShowAlam.h"
#include "search/TFormSearch.h"
#include "settings/TFormConfig.h"
#include "settings/TFormPass.h"
#include "store/TAlam.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"
#include "store/TIE.h"
#include "urls/UrlsTab.h"
#include "widgets/Menus.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLoggingCategory>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// Start-up milestones, for the start-up benchmark; off unless asked for
// (QT_LOGGING_RULES="vornet.startup.info=true").
Q_LOGGING_CATEGORY(lcStartup, "vornet.startup", QtWarningMsg)

} // namespace

const QString TFormMain::HomePage = QStringLiteral("www.vornet-halvik.example");

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Vornet-Halvik"));
    buildFrame();
    buildMenus();
    FormCreate();
}

TFormMain::~TFormMain() = default;

void TFormMain::buildFrame()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pgc1 = new QTabWidget(central);
    pgc1->setObjectName(QStringLiteral("pgc1"));
    ts2 = new NotesTab(pgc1);
    ts3 = new RemindersTab(pgc1);
    ts1 = new UrlsTab(pgc1);
    pgc1->addTab(ts2, QStringLiteral("记事本"));
    pgc1->addTab(ts3, QStringLiteral("定时提醒"));
    pgc1->addTab(ts1, QStringLiteral("网址管理"));
    pgc1->setCurrentWidget(ts2);
    layout->addWidget(pgc1, 1);

    pnl1 = new QWidget(central);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    pnl1->setFixedHeight(25);
    auto* bar = new QHBoxLayout(pnl1);
    bar->setContentsMargins(0, 0, 15, 0);
    bar->setSpacing(5);
    bar->addStretch(1);
    chk1 = new QCheckBox(QStringLiteral("开机运行"), pnl1);
    chk1->setObjectName(QStringLiteral("chk1"));
    bar->addWidget(chk1);
    btnSystem = new QPushButton(QStringLiteral("软件设置"), pnl1);
    btnSystem->setObjectName(QStringLiteral("btnSystem"));
    btnSystem->setFixedSize(75, 25);
    bar->addWidget(btnSystem);
    layout->addWidget(pnl1);

    setCentralWidget(central);
    // 800 x 520 outside, as the window was designed; the frame takes the rest.
    resize(792, 486);
}

void TFormMain::buildMenus()
{
    pmSystem = new QMenu(this);
    pmSystem->setObjectName(QStringLiteral("pmSystem"));
    NOpenWWW1 = AddNamedAction(pmSystem, "NOpenWWW1", QStringLiteral("软件主页"));
    pmSystem->addSeparator();
    NSearchAll1 = AddNamedAction(pmSystem, "NSearchAll1", QStringLiteral("搜索全部…"));
    // Shown beside the item, and taken anywhere in the main window.
    NSearchAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    NSearchAll1->setShortcutContext(Qt::WindowShortcut);
    addAction(NSearchAll1);
    N15 = AddNamedAction(pmSystem, "N15", QStringLiteral("软件设置"));
    pmSystem->addSeparator();
    Ndfdf1 = AddNamedAction(pmSystem, "Ndfdf1", QStringLiteral("数据备份"));
    N11 = AddNamedAction(pmSystem, "N11", QStringLiteral("数据恢复"));

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    NOpenWWW2 = AddNamedAction(PopupMenu, "NOpenWWW2", QStringLiteral("软件主页"));
    PopupMenu->addSeparator();
    NShowForm = AddNamedAction(PopupMenu, "NShowForm", QStringLiteral("显示窗口"));
    NSearchAll2 = AddNamedAction(PopupMenu, "NSearchAll2", QStringLiteral("搜索全部…"));
    NLock = AddNamedAction(PopupMenu, "NLock", QStringLiteral("锁定"));
    NClose = AddNamedAction(PopupMenu, "NClose", QStringLiteral("关闭"));
    // Offered only while there is a password to unlock with.
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { NLock->setVisible(WindowLock::Available()); });

    connect(btnSystem, &QPushButton::clicked, this, guard([this] { btnSystemClick(); }));
    connect(NOpenWWW1, &QAction::triggered, this, guard([this] { NOpenWWW2Click(); }));
    connect(NOpenWWW2, &QAction::triggered, this, guard([this] { NOpenWWW2Click(); }));
    connect(NShowForm, &QAction::triggered, this, guard([this] { NShowFormClick(); }));
    connect(NClose, &QAction::triggered, this, guard([this] { NCloseClick(); }));
    connect(NLock, &QAction::triggered, this, guard([this] { NLockClick(); }));
    connect(N15, &QAction::triggered, this, guard([this] { N15Click(); }));
    connect(Ndfdf1, &QAction::triggered, this, guard([this] { Ndfdf1Click(); }));
    connect(N11, &QAction::triggered, this, guard([this] { N11Click(); }));
    connect(NSearchAll1, &QAction::triggered, this, guard([this] { NSearchAllClick(); }));
    connect(NSearchAll2, &QAction::triggered, this, guard([this] { NSearchAllClick(); }));
    // Only the user's own changes of the box touch the autostart entry.
    connect(chk1, &QCheckBox::clicked, this, guard([this] { chk1Click(); }));
}

void TFormMain::FormCreate()
{
    setMainWindow(this);
    m_lock = new WindowLock(this);
    // There from creation, before the window shows and while the login waits.
    Tray = new TrayIcon(this, PopupMenu);
    connect(Tray, &TrayIcon::restoreRequested, this, guard([this] { NShowFormClick(); }));
    connect(ts3, &RemindersTab::scheduleChanged, this, guard([this] { UpdateTrayTip(); }));
    connect(AppLock::instance(), &AppLock::changed, this, guard([this] { UpdateTrayTip(); }));
    IETypeTree = new TZentTree(ts1->tvIE, QStringLiteral("全部"), QStringLiteral("IEType"), TZentTree::WebImages());
    ts1->setTree(IETypeTree);
    NoteTypeTree =
        new TZentTree(ts2->tvNote, QStringLiteral("根目录"), QStringLiteral("NoteType"), TZentTree::FolderImages());
    ts2->setTree(NoteTypeTree);

    m_scheduler = std::make_unique<AlamScheduler>(
        &ShowAlamAlert, [this](const QDateTime& from, const QDateTime& to) { ShowMissed(from, to); });
    tmr1 = new QTimer(this);
    tmr1->setObjectName(QStringLiteral("tmr1"));
    tmr1->setTimerType(Qt::PreciseTimer);
    tmr1->setInterval(1000);
    connect(tmr1, &QTimer::timeout, this, guard([this] { tmr1Timer(); }));
    tmr1->start();
}

void TFormMain::setVisible(bool visible)
{
    if (visible && !m_shownOnce) {
        m_shownOnce = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        const bool loggedIn = FormShow();
        // A refused login ends the program before its window ever shows.
        if (TerminateRequested()) {
            return;
        }
        QMainWindow::setVisible(visible);
        if (loggedIn) {
            m_loadAfterShow ? loadWhenOnScreen() : LoadViews(false);
        }
        return;
    }
    QMainWindow::setVisible(visible);
}

void TFormMain::ShowThenLoad()
{
    m_loadAfterShow = true;
    show();
}

bool TFormMain::FormShow()
{
    StartupSequence steps;
    steps.add(QStringLiteral("LoadConfig"), [] { ConfigStore.LoadConfig(); });
    steps.add(QStringLiteral("AskPassword"), [] {
        // A file keyed with the password was opened with it: that was the login.
        if (!ConfigStore.bPass || !DbAccess->Key().isFixed()) {
            return;
        }
        if (AskPassword(ConfigStore.PassWord, QStringLiteral("先输入密码登录软件")) != mrOk) {
            RequestTerminate();
            Abort(); // nothing more loads for a program that is ending
        }
        // A file from before the password became its key takes it now; if that
        // fails, the user is told and works on as before.
        Guarded([] { ConfigStore.ApplyKey(); });
    });
    steps.add(QStringLiteral("IsAutoRun"), [this] { chk1->setChecked(AutoRun::IsAutoRun()); });
    return steps.run() == steps.size();
}

void TFormMain::loadWhenOnScreen()
{
    // The views are filled once the window has been drawn, so that it shows at
    // once however much there is to load; without a first drawing (a window
    // manager that holds the window back) they are filled a moment later anyway.
    QWindow* window = windowHandle();
    if (!window || window->isExposed()) {
        QTimer::singleShot(0, this, [this] { LoadViews(true); });
        return;
    }
    window->installEventFilter(this);
    QTimer::singleShot(kLoadAnywayMs, this, [this] { LoadViews(true); });
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // After this drawing of the window, not inside it.
        QTimer::singleShot(0, this, [this] { LoadViews(true); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::LoadViews(bool spaced)
{
    if (m_viewsLoaded || m_loadingViews) {
        return;
    }
    m_loadingViews = true;
    // The notes tab shows first: its tree and the root note come before the rest.
    StartupSequence steps;
    steps.add(QStringLiteral("IETypeTree.LoadTree"), [this] { IETypeTree->LoadTree(); });
    steps.add(QStringLiteral("NoteTypeTree.LoadTree"), [this] { NoteTypeTree->LoadTree(); });
    steps.add(QStringLiteral("tvNoteClick"), [this] {
        ts2->ShowRootNote();
        qCInfo(lcStartup, "trees and root note shown");
    });
    steps.add(QStringLiteral("FillAlamList"), [this] { ts3->ShowToday(); });
    steps.add(QStringLiteral("FillGrid"), [this] { ts1->ShowAll(); });
    // What fell due while the program was not running, in one window.
    steps.add(QStringLiteral("ShowMissed"), [this] { ShowMissed(QDateTime(), Clock::now().addSecs(-1)); });
    const auto finished = [this](int) {
        m_loadingViews = false;
        m_viewsLoaded = true;
        qCInfo(lcStartup, "views loaded");
        emit viewsLoaded();
    };
    if (spaced) {
        StartupSequence::RunSpaced(std::move(steps), this, finished);
    } else {
        finished(steps.run());
    }
}

void TFormMain::ShowMissed(const QDateTime& from, const QDateTime& to)
{
    // The list names every reminder's text: not while the program is locked.
    m_lock->WhenUnlocked(
        [this, from, to] { Guarded([&] { TFormMissedAlam::ShowMissed(AlamStore.MissedBetween(from, to), this); }); });
}

bool TFormMain::FormCloseQuery()
{
    return AskConfirm(QStringLiteral("确定要退出程序吗？"));
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool canClose = m_closeConfirmed;
    if (!canClose) {
        Guarded([&] { canClose = FormCloseQuery(); });
    }
    if (!canClose) {
        event->ignore();
        return;
    }
    m_closeConfirmed = true;
    event->accept();
    FormClose();
}

void TFormMain::FormClose()
{
    tmr1->stop();
    DbAccess->WriteBack();
    QCoreApplication::quit();
}

void TFormMain::commitData(QSessionManager& manager)
{
    // A session may end without asking: the one file must be whole by then.
    DbAccess->WriteBack();
    if (m_closeConfirmed || !manager.allowsInteraction()) {
        return;
    }
    if (!sessionMayEnd()) {
        manager.cancel();
    }
    manager.release();
}

bool TFormMain::sessionMayEnd()
{
    bool canClose = false;
    Guarded([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        m_closeConfirmed = true;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    return canClose;
}

void TFormMain::btnSystemClick()
{
    // At the pointer, wherever on the button it was clicked.
    pmSystem->popup(QCursor::pos());
}

void TFormMain::NOpenWWW2Click()
{
    ShellOpen(this, HomePage);
}

void TFormMain::NShowFormClick()
{
    if (!m_lock->Unlock()) {
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void TFormMain::ShowRequested()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    NShowFormClick();
}

void TFormMain::NCloseClick()
{
    close();
}

void TFormMain::NLockClick()
{
    m_lock->Lock();
    DbAccess->WriteBack();
}

void TFormMain::N15Click()
{
    ShowConfigDlg();
}

void TFormMain::Ndfdf1Click()
{
    BackupCommand(this);
}

void TFormMain::N11Click()
{
    const auto prompt = [](const std::function<bool(const DbKey&)>& opens) {
        return AskPasswordFor(QStringLiteral("请输入该备份文件的密码"),
                              [&](const QString& typed) { return opens(DbKey::fromPassword(typed)); }) == mrOk;
    };
    if (RestoreCommand(this, prompt)) {
        // An open alert names a reminder of the data that is gone: answering it
        // would act on whatever the restored file holds under that number. The
        // seconds they fell due in are looked at again in the restored data.
        const QList<QDateTime> seconds = TFormShowAlam::CloseAll();
        ReloadViews();
        m_scheduler->Recheck(seconds);
        ShowMissed(QDateTime(), Clock::now().addSecs(-1));
    }
}

void TFormMain::ReloadViews()
{
    // Nothing on the screen may still show the data from before: the next
    // keystroke would write it into the restored database.
    ts2->ForgetNote();
    StartupSequence steps;
    steps.add(QStringLiteral("IETypeTree.ReloadTree"), [this] { IETypeTree->ReloadTree(); });
    steps.add(QStringLiteral("NoteTypeTree.ReloadTree"), [this] { NoteTypeTree->ReloadTree(); });
    steps.add(QStringLiteral("FillGrid"), [this] { ts1->ShowAll(); });
    steps.add(QStringLiteral("FillAlamList"), [this] { ts3->Refill(); });
    steps.add(QStringLiteral("tvNoteClick"), [this] { ts2->ShowRootNote(); });
    steps.run();
}

void TFormMain::NSearchAllClick()
{
    // The search lists every text: past a lock only with the password.
    if (!m_lock->Unlock()) {
        return;
    }
    if (!FormSearch) {
        FormSearch = new TFormSearch(this);
        // A chosen result shows in the main window, brought back from the tray if need be.
        connect(FormSearch, &TFormSearch::noteChosen, this, guard([this](int group, const QString& text) {
                    NShowFormClick();
                    pgc1->setCurrentWidget(ts2);
                    ts2->ShowFound(group, text);
                }));
        connect(FormSearch, &TFormSearch::urlChosen, this, guard([this](int group, const QString& id) {
                    NShowFormClick();
                    pgc1->setCurrentWidget(ts1);
                    ts1->ShowFound(group, id);
                }));
        connect(FormSearch, &TFormSearch::alamChosen, this, guard([this](const QString& id) {
                    NShowFormClick();
                    pgc1->setCurrentWidget(ts3);
                    ts3->ShowFound(id);
                }));
    }
    FormSearch->ShowSearch();
}

void TFormMain::chk1Click()
{
    AutoRun::SetAutoRun(AutoRun::kName, AutoRun::ExecutablePath(), chk1->isChecked());
}

void TFormMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        // After the state change has settled: hiding inside it confuses some window managers.
        QTimer::singleShot(0, this, guard([this] { AppMinimize(); }));
    }
}

void TFormMain::AppMinimize()
{
    // Hidden only where the tray icon can bring it back.
    if (isMinimized() && Tray->Usable()) {
        hide();
        // Hidden to the tray, it comes back only with the password (when one is set).
        m_lock->Lock();
        DbAccess->WriteBack();
    }
}

void TFormMain::tmr1Timer()
{
    // Each tick just after a second begins, so that no second is skipped.
    tmr1->start(AlamScheduler::MsecsToNextSecond());
    m_scheduler->Tick();
    m_lock->Tick();
    const QDateTime now = Clock::now();
    ts3->TimeTick(now);
    if (m_nextDue.isValid() && now > m_nextDue) {
        UpdateTrayTip();
    }
}

void TFormMain::UpdateTrayTip()
{
    QString text;
    QString tip = QStringLiteral("Vornet");
    if (AlamStore.NextDue(&m_nextDue, &text)) {
        const QString line =
            AppLock::isLocked() ? TFormShowAlam::kLockedText : text.section(QLatin1Char('\n'), 0, 0).simplified();
        tip += QStringLiteral("\n下一个提醒：") + m_nextDue.toString(QStringLiteral("HH:mm")) + QLatin1Char(' ') +
               (line.size() > 40 ? line.left(40) + QStringLiteral("…") : line);
    } else {
        m_nextDue = QDateTime();
    }
    Tray->icon()->setToolTip(tip);
}

bool TFormMain::event(QEvent* event)
{
    if (event->type() == AlamEvent::Snooze) {
        const auto* snooze = static_cast<AlamEvent*>(event);
        Guarded([&] { ts3->WMAlamSnooze(snooze->ID, snooze->Moment); });
        return true;
    }
    if (event->type() == AlamEvent::Delete || event->type() == AlamEvent::Seen) {
        const int id = static_cast<AlamEvent*>(event)->ID;
        const bool remove = event->type() == AlamEvent::Delete;
        Guarded([&] { remove ? ts3->WMAlamDelete(id) : ts3->WMAlamSeen(id); });
        return true;
    }
    return QMainWindow::event(event);
}
