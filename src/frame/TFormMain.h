#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <memory>

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class QSessionManager;
class QTabWidget;
class QTimer;
class QWidget;
class NotesTab;
class RemindersTab;
class UrlsTab;
class AlamScheduler;
class TZentTree;
class TrayIcon;
class TFormSearch;
class WindowLock;

// The one main window: the tabs, the bottom bar with the settings menu, the tray
// menu, the one-second timer, the start-up sequence and the close question.
class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The home page opened by both "软件主页" items.
    static const QString HomePage;

    void setVisible(bool visible) override;
    // The program's start: the window shows first (after the login), and its views
    // are filled right after it is on the screen. show() fills them before.
    void ShowThenLoad();
    static constexpr int kLoadAnywayMs = 500;

    // Asks the close question; true lets the window close.
    bool FormCloseQuery();
    // The desktop session is ending: ask the same question, refuse on No.
    void commitData(QSessionManager& manager);
    // The answer to that question; on Yes the window closes without asking again.
    bool sessionMayEnd();
    // The one-off reminders that fell due unseen between two moments (from invalid:
    // any time before), in the "错过的提醒" window.
    void ShowMissed(const QDateTime& from, const QDateTime& to);
    // The tray tip: "Vornet" and the reminder next due ("下一个提醒：HH:mm 内容").
    void UpdateTrayTip();
    // Another start of the program asked for this one: bring forward the window,
    // or the dialog it waits on (the login), also from the tray.
    void ShowRequested();

    QTabWidget* pgc1 = nullptr;  // the three tabs
    NotesTab* ts2 = nullptr;     // 记事本
    RemindersTab* ts3 = nullptr; // 定时提醒
    UrlsTab* ts1 = nullptr;      // 网址管理
    QWidget* pnl1 = nullptr;     // the bottom bar
    QCheckBox* chk1 = nullptr;   // 开机运行
    QPushButton* btnSystem = nullptr;
    QMenu* pmSystem = nullptr;
    QMenu* PopupMenu = nullptr;
    QTimer* tmr1 = nullptr; // the scheduler tick, once a second

    QAction* NOpenWWW1 = nullptr;
    QAction* N15 = nullptr;    // 软件设置
    QAction* Ndfdf1 = nullptr; // 数据备份
    QAction* N11 = nullptr;    // 数据恢复
    QAction* NOpenWWW2 = nullptr;
    QAction* NShowForm = nullptr;
    QAction* NLock = nullptr; // 锁定
    QAction* NClose = nullptr;
    QAction* NSearchAll1 = nullptr; // 搜索全部… (settings menu; Ctrl+Shift+F)
    QAction* NSearchAll2 = nullptr; // 搜索全部… (tray menu)
    // The one search window, made at its first use.
    TFormSearch* FormSearch = nullptr;

    TrayIcon* Tray = nullptr;
    TZentTree* IETypeTree = nullptr;
    TZentTree* NoteTypeTree = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // The login; true when it and the steps before the window shows all passed.
    bool FormShow();
    void loadWhenOnScreen();
    // Spaced: one step per event, the window drawn between them.
    void LoadViews(bool spaced);
    void FormClose();
    void btnSystemClick();
    void NOpenWWW2Click();
    void NShowFormClick();
    void NCloseClick();
    void NLockClick();
    void tmr1Timer();
    void N15Click();
    void Ndfdf1Click();
    void N11Click();
    void chk1Click();
    void AppMinimize();
    void NSearchAllClick();

public:
    // Every view loaded again from the database (after a restore).
    void ReloadViews();
    bool ViewsLoaded() const
    {
        return m_viewsLoaded;
    }

signals:
    // The trees, the grid, today's reminders and the root note are filled.
    void viewsLoaded();

private:
    void buildFrame();
    void buildMenus();

    std::unique_ptr<AlamScheduler> m_scheduler;
    WindowLock* m_lock = nullptr;
    QDateTime m_nextDue; // when the tray tip's next reminder falls due
    bool m_shownOnce = false;
    bool m_loadAfterShow = false;
    bool m_viewsLoaded = false;
    bool m_loadingViews = false;
    bool m_closeConfirmed = false;
};
