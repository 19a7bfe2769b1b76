#include "TFormMissedAlam.h"

#include "AlamEvents.h"
#include "TFormShowAlam.h"
#include "base/ExceptionHandler.h"
#include "store/ListRows.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QPointer<TFormMissedAlam> g_current;
}

TFormMissedAlam::TFormMissedAlam(QObject* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("FormMissedAlam"));
    setWindowTitle(QStringLiteral("错过的提醒"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    lvMissed = new QTreeWidget(this);
    lvMissed->setObjectName(QStringLiteral("lvMissed"));
    lvMissed->setColumnCount(3);
    lvMissed->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("提醒时间"), QStringLiteral("提醒内容")});
    lvMissed->setColumnHidden(0, true);
    lvMissed->setColumnWidth(1, 150);
    lvMissed->setRootIsDecorated(false);
    lvMissed->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(lvMissed, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOkDel = new QPushButton(QStringLiteral("看到了并删除"), this);
    btnOkDel->setObjectName(QStringLiteral("btnOkDel"));
    btnOkSave = new QPushButton(QStringLiteral("看到了并保留"), this);
    btnOkSave->setObjectName(QStringLiteral("btnOkSave"));
    btnLater = new QPushButton(QStringLiteral("稍后提醒"), this);
    btnLater->setObjectName(QStringLiteral("btnLater"));
    btnLater->setMenu(TFormShowAlam::SnoozeMenu(this, [this](const QDateTime& moment) { SnoozeTo(moment); }));
    for (QPushButton* b : {btnOkDel, btnOkSave, btnLater}) {
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(btnOkDel, &QPushButton::clicked, this, guard([this] { btnOkDelClick(); }));
    connect(btnOkSave, &QPushButton::clicked, this, guard([this] { btnOkSaveClick(); }));
    resize(480, 300);
}

TFormMissedAlam* TFormMissedAlam::Current()
{
    return g_current;
}

TFormMissedAlam* TFormMissedAlam::ShowMissed(const ListRows& rows, QObject* mainWindow)
{
    if (rows.rows.isEmpty()) {
        return g_current;
    }
    if (!g_current) {
        g_current = new TFormMissedAlam(mainWindow);
    }
    g_current->add(rows);
    // After whatever shows in the same turn (the main window at start-up): a window
    // manager puts the window mapped last on top, and this one must not be covered.
    QTimer::singleShot(0, g_current.data(), [] {
        g_current->show();
        g_current->raise();
    });
    return g_current;
}

void TFormMissedAlam::add(const ListRows& rows)
{
    for (const QStringList& row : rows.rows) {
        if (lvMissed->findItems(row.value(0), Qt::MatchExactly, 0).isEmpty()) {
            lvMissed->addTopLevelItem(new QTreeWidgetItem(row.mid(0, 3)));
        }
    }
}

QList<int> TFormMissedAlam::takeChosen()
{
    QList<QTreeWidgetItem*> chosen = lvMissed->selectedItems();
    if (chosen.isEmpty()) {
        for (int i = 0; i < lvMissed->topLevelItemCount(); ++i) {
            chosen.append(lvMissed->topLevelItem(i));
        }
    }
    QList<int> ids;
    for (QTreeWidgetItem* item : chosen) {
        ids.append(item->text(0).toInt());
        delete item;
    }
    return ids;
}

void TFormMissedAlam::post(int type, const QDateTime& moment)
{
    const QList<int> ids = takeChosen();
    if (m_mainWindow) {
        for (int id : ids) {
            QCoreApplication::postEvent(m_mainWindow, new AlamEvent(static_cast<QEvent::Type>(type), id, moment));
        }
    }
    if (lvMissed->topLevelItemCount() == 0) {
        close();
    }
}

void TFormMissedAlam::btnOkDelClick()
{
    post(AlamEvent::Delete);
}

void TFormMissedAlam::btnOkSaveClick()
{
    post(AlamEvent::Seen);
}

void TFormMissedAlam::SnoozeTo(const QDateTime& moment)
{
    post(AlamEvent::Snooze, moment);
}
