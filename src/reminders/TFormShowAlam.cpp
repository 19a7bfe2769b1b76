#include "TFormShowAlam.h"

#include "AlamEvents.h"
#include "Chime.h"
#include "base/ExceptionHandler.h"
#include "base/MainWindowRef.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

TFormShowAlam::TFormShowAlam(const QString& id, const QString& text, bool daily, QObject* mainWindow,
                             const QDateTime& due)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      RecordID(id), IsDaily(daily), DueAt(due), m_mainWindow(mainWindow)
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
    mmo1->setPlainText(text);
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
    for (QPushButton* b : {btnOkDel, btnOkSave}) {
        b->setFixedSize(121, 25);
        buttons->addWidget(b);
    }
    btnOkDel->setVisible(!daily);
    layout->addWidget(pnlBottom);
    setTabOrder(btnOkSave, btnOkDel);

    connect(btnOkSave, &QPushButton::clicked, this, guard([this] { btnOkSaveClick(); }));
    connect(btnOkDel, &QPushButton::clicked, this, guard([this] { btnOkDelClick(); }));
    setGeometry(PlaceOnScreen(QSize(292, 198)));
}

QList<TFormShowAlam*> TFormShowAlam::OpenAlerts()
{
    QList<TFormShowAlam*> alerts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* alert = qobject_cast<TFormShowAlam*>(widget)) {
            alerts.append(alert);
        }
    }
    return alerts;
}

QRect TFormShowAlam::PlaceOnScreen(const QSize& size)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // A little in from the corner, leaving room for the window frame.
    return QRect(area.right() + 1 - size.width() - 6, area.bottom() + 1 - size.height() - 8, size.width(),
                 size.height());
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
    if (event->key() == Qt::Key_Escape && btnOkDel->isVisible()) {
        btnOkDel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormShowAlam::post(int type)
{
    if (m_mainWindow) {
        QCoreApplication::postEvent(m_mainWindow, new AlamEvent(static_cast<QEvent::Type>(type), RecordID.toInt()));
    }
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
    auto* alert = new TFormShowAlam(id, text, daily, MainWindow(), due);
    alert->show();
}
