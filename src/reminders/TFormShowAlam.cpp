#include "TFormShowAlam.h"

#include "AlamEvents.h"
#include "AlertNotice.h"
#include "Chime.h"
#include "TFormMissedAlam.h"
#include "base/AppLock.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/MainWindowRef.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

TFormShowAlam::TFormShowAlam(const QString& id, const QString& text, bool daily, QObject* mainWindow,
                             const QDateTime& due)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      RecordID(id), IsDaily(daily), DueAt(due), m_mainWindow(mainWindow), m_text(text)
{
    setObjectName(QStringLiteral("FormShowAlam"));
    setWindowTitle(QStringLiteral("提醒"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Typing in another window must never answer an alert that just appeared.
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(grey);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    lblDue = new QLabel(this);
    lblDue->setObjectName(QStringLiteral("lblDue"));
    lblDue->setAlignment(Qt::AlignCenter);
    lblDue->setText((due.isValid() ? due : Clock::now()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    layout->addWidget(lblDue);
    mmo1 = new QTextEdit(this);
    mmo1->setObjectName(QStringLiteral("mmo1"));
    mmo1->setReadOnly(true);
    mmo1->setAcceptRichText(false);
    ScaleFont(mmo1, 17);
    QPalette red = mmo1->palette();
    red.setColor(QPalette::Text, Qt::red);
    mmo1->setPalette(red);
    QTextOption centred(Qt::AlignHCenter);
    centred.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    mmo1->document()->setDefaultTextOption(centred);
    layout->addWidget(mmo1, 1);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setFixedHeight(34);
    auto* buttons = new QHBoxLayout(pnlBottom);
    buttons->setContentsMargins(22, 4, 21, 5);
    buttons->setSpacing(7);
    buttons->addStretch(1);
    btnOkDel = new QPushButton(QStringLiteral("看到了并删除"), pnlBottom);
    btnOkDel->setObjectName(QStringLiteral("btnOkDel"));
    btnOkSave = new QPushButton(daily ? QStringLiteral("看到了") : QStringLiteral("看到了并保留"), pnlBottom);
    btnOkSave->setObjectName(QStringLiteral("btnOkSave"));
    btnLater = new QPushButton(QStringLiteral("稍后提醒"), pnlBottom);
    btnLater->setObjectName(QStringLiteral("btnLater"));
    for (QPushButton* b : {btnOkDel, btnOkSave, btnLater}) {
        b->setFixedSize(92, 25);
        buttons->addWidget(b);
    }
    pmLater = SnoozeMenu(this, [this](const QDateTime& moment) { SnoozeTo(moment); });
    btnLater->setMenu(pmLater);
    btnOkDel->setVisible(!daily);
    layout->addWidget(pnlBottom);
    setTabOrder(btnOkSave, btnOkDel);

    // While the program is locked only the due moment shows, and nothing is deleted.
    showText();
    connect(AppLock::instance(), &AppLock::changed, this, [this] { showText(); });
    connect(btnOkSave, &QPushButton::clicked, this, guard([this] { btnOkSaveClick(); }));
    connect(btnOkDel, &QPushButton::clicked, this, guard([this] { btnOkDelClick(); }));
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    m_shown.start();
    static quint64 opened = 0;
    m_order = ++opened;
}

void TFormShowAlam::showText()
{
    const bool locked = AppLock::isLocked();
    mmo1->setPlainText(locked ? kLockedText : m_text);
    btnOkDel->setEnabled(!locked);
}

bool TFormShowAlam::keysGuarded() const
{
    return m_shown.isValid() && m_shown.elapsed() < kKeyGuardMs;
}

bool TFormShowAlam::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
        if (keysGuarded()) {
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

const QSize kAlertSize(336, 198);

struct Waiting
{
    QString id;
    QString text;
    bool daily;
    QDateTime due;
};

// The places on the screen, bottom-up, and the alerts waiting for one.
QList<QPointer<TFormShowAlam>> g_places;
QList<Waiting> g_waiting;

int freePlace()
{
    for (int i = 0; i < g_places.size(); ++i) {
        if (g_places.at(i).isNull()) {
            return i;
        }
    }
    return TFormShowAlam::PlaceOnScreen(kAlertSize, static_cast<int>(g_places.size())).isValid()
               ? static_cast<int>(g_places.size())
               : -1;
}

void openAlert(const Waiting& alert);

void showWaiting()
{
    while (!g_waiting.isEmpty() && freePlace() >= 0) {
        openAlert(g_waiting.takeFirst());
    }
}

void openAlert(const Waiting& alert)
{
    const int place = freePlace();
    auto* window = new TFormShowAlam(alert.id, alert.text, alert.daily, MainWindow(), alert.due);
    window->setGeometry(TFormShowAlam::PlaceOnScreen(kAlertSize, place));
    if (place == g_places.size()) {
        g_places.append(window);
    } else {
        g_places[place] = window;
    }
    // A closed alert frees its place for the next one waiting.
    QObject::connect(window, &QObject::destroyed, qApp, [] { QTimer::singleShot(0, qApp, &showWaiting); });
    window->show();
    AlertNotice::Post(window);
}

} // namespace

int TFormShowAlam::WaitingAlerts()
{
    return static_cast<int>(g_waiting.size());
}

QList<QDateTime> TFormShowAlam::CloseAll()
{
    QList<QDateTime> seconds;
    auto note = [&seconds](const QDateTime& due) {
        if (due.isValid() && !seconds.contains(due)) {
            seconds.append(due);
        }
    };
    for (const Waiting& w : std::as_const(g_waiting)) {
        note(w.due);
    }
    g_waiting.clear();
    // The missed reminders' window names reminders of the same data.
    delete TFormMissedAlam::Current();
    for (TFormShowAlam* alert : OpenAlerts()) {
        note(alert->DueAt);
        delete alert;
    }
    g_places.clear();
    return seconds;
}

QList<TFormShowAlam*> TFormShowAlam::OpenAlerts()
{
    QList<TFormShowAlam*> alerts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* alert = qobject_cast<TFormShowAlam*>(widget)) {
            alerts.append(alert);
        }
    }
    std::sort(alerts.begin(), alerts.end(),
              [](const TFormShowAlam* a, const TFormShowAlam* b) { return a->m_order < b->m_order; });
    return alerts;
}

QRect TFormShowAlam::PlaceOnScreen(const QSize& size, int place)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // A little in from the corner, leaving room for the window frame; each place
    // a frame's height above the last.
    constexpr int kFrame = 30;
    const int top = area.bottom() + 1 - size.height() - 8 - place * (size.height() + kFrame);
    if (place > 0 && top < area.top() + kFrame) {
        return {};
    }
    return QRect(area.right() + 1 - size.width() - 6, top, size.width(), size.height());
}

void TFormShowAlam::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_rolledIn) {
        return;
    }
    m_rolledIn = true;
    // Rolls in from its bottom edge upwards; the chime follows the roll-in.
    const QRect target = geometry();
    auto* roll = new QPropertyAnimation(this, "geometry", this);
    roll->setDuration(200);
    roll->setStartValue(QRect(target.left(), target.bottom(), target.width(), 1));
    roll->setEndValue(target);
    connect(roll, &QPropertyAnimation::finished, this, guard([] { Chime::play(); }));
    roll->start(QAbstractAnimation::DeleteWhenStopped);
}

void TFormShowAlam::keyPressEvent(QKeyEvent* event)
{
    if (keysGuarded()) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && btnOkDel->isVisible()) {
        btnOkDel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormShowAlam::post(int type, const QDateTime& moment)
{
    if (m_mainWindow) {
        QCoreApplication::postEvent(m_mainWindow,
                                    new AlamEvent(static_cast<QEvent::Type>(type), RecordID.toInt(), moment));
    }
}

void TFormShowAlam::SnoozeTo(const QDateTime& moment)
{
    post(AlamEvent::Snooze, moment);
    close();
}

QMenu* TFormShowAlam::SnoozeMenu(QWidget* owner, std::function<void(const QDateTime&)> chosen)
{
    auto* menu = new QMenu(owner);
    menu->setObjectName(QStringLiteral("pmLater"));
    const struct
    {
        const char* text;
        qint64 seconds;
    } offsets[] = {{"5 分钟", 300}, {"10 分钟", 600}, {"30 分钟", 1800}, {"1 小时", 3600}, {"明天此时", 86400}};
    for (const auto& offset : offsets) {
        const qint64 seconds = offset.seconds;
        connect(menu->addAction(QString::fromUtf8(offset.text)), &QAction::triggered, owner,
                guard([chosen, seconds] { chosen(Clock::now().addSecs(seconds)); }));
    }
    connect(menu->addAction(QStringLiteral("自定义…")), &QAction::triggered, owner, guard([owner, chosen] {
                const QDateTime moment = AskSnoozeMoment(owner);
                if (moment.isValid()) {
                    chosen(moment);
                }
            }));
    return menu;
}

QDateTime TFormShowAlam::AskSnoozeMoment(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("稍后提醒"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* when = new QDateTimeEdit(Clock::now().addSecs(3600), &dialog);
    when->setObjectName(QStringLiteral("dtpLater"));
    when->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    when->setCalendarPopup(true);
    layout->addWidget(when);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    // A moment already past would never pop: the reminder would only turn up as missed.
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, guard([&dialog, when] {
                         if (when->dateTime() <= Clock::now()) {
                             throw EAppError(QStringLiteral("设置的提醒时间不能早于当前时间！"));
                         }
                         dialog.accept();
                     }));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted ? when->dateTime() : QDateTime();
}

void TFormShowAlam::btnOkSaveClick()
{
    if (!IsDaily) {
        post(AlamEvent::Seen);
    }
    close();
}

void TFormShowAlam::btnOkDelClick()
{
    if (!IsDaily) {
        post(AlamEvent::Delete);
    }
    close();
}

void ShowAlamAlert(const QString& id, const QString& text, bool daily, const QDateTime& due)
{
    g_waiting.append({id, text, daily, due});
    showWaiting();
}
