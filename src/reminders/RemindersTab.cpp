#include "RemindersTab.h"

#include "TFormAddAlam.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Messages.h"
#include "store/TAlam.h"
#include "widgets/Fonts.h"
#include "widgets/ListFill.h"
#include "widgets/Menus.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Paints the list as a report with grid lines: texts centred after the ID, and a
// row's text red while missed, blue once seen.
class AlamRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() > 0) {
            option->displayAlignment = Qt::AlignCenter;
        }
        const QString status = index.siblingAtColumn(3).data().toString();
        if (status == TAlam::MissedText) {
            option->palette.setColor(QPalette::Text, QColor(255, 0, 0));
        } else if (status == TAlam::SeenText) {
            option->palette.setColor(QPalette::Text, QColor(0, 0, 255));
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace

RemindersTab::RemindersTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ts3"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    lv1 = new QTreeWidget(this);
    lv1->setObjectName(QStringLiteral("lv1"));
    lv1->setRootIsDecorated(false);
    lv1->setUniformRowHeights(true);
    lv1->setAllColumnsShowFocus(true);
    lv1->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv1->setToolTip(QStringLiteral("点右键可以新建、修改和删除提醒"));
    lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    lv1->setItemDelegate(new AlamRowDelegate(lv1));
    ScaleFont(lv1, 13);
    lv1->setHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("提醒时间"), QStringLiteral("内容"), QStringLiteral("状态")});
    const int widths[] = {1, 200, 450, 100};
    for (int c = 0; c < 4; ++c) {
        lv1->setColumnWidth(c, widths[c]);
        if (c > 0) {
            lv1->headerItem()->setTextAlignment(c, Qt::AlignCenter);
        }
    }
    lv1->header()->setMinimumSectionSize(1);
    lv1->setColumnWidth(0, 1);
    layout->addWidget(lv1, 1);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setFixedHeight(41);
    auto* strip = new QHBoxLayout(pnlBottom);
    strip->setContentsMargins(24, 0, 24, 0);
    strip->setSpacing(29);
    m_filters = new QButtonGroup(this);
    const struct
    {
        QRadioButton** button;
        const char* name;
        const char* text;
    } buttons[] = {
        {&rbToDay, "rbToDay", "今天的提醒"}, {&rbTomorrow, "rbTomorrow", "明天的提醒"},
        {&rbMiss, "rbMiss", "错过的提醒"},   {&rb1, "rb1", "看过的提醒"},
        {&rb2, "rb2", "每天的提醒"},         {&rbAll, "rbAll", "全部提醒"},
    };
    int code = 0;
    for (const auto& b : buttons) {
        *b.button = new QRadioButton(QString::fromUtf8(b.text), pnlBottom);
        (*b.button)->setObjectName(QLatin1String(b.name));
        (*b.button)->setMinimumWidth(97);
        m_filters->addButton(*b.button, code++);
        strip->addWidget(*b.button);
    }
    strip->addStretch(1);
    rbToDay->setChecked(true);
    layout->addWidget(pnlBottom);

    pmAlam = new QMenu(this);
    pmAlam->setObjectName(QStringLiteral("pmAlam"));
    NAddAlam = AddNamedAction(pmAlam, "NAddAlam", QStringLiteral("新建提醒"));
    NModAlam = AddNamedAction(pmAlam, "NModAlam", QStringLiteral("修改"));
    NDelAlam = AddNamedAction(pmAlam, "NDelAlam", QStringLiteral("删除"));

    // A filter applies when its button becomes selected, not when it is chosen again.
    connect(m_filters, &QButtonGroup::idToggled, this, guard([this](int id, bool on) {
                if (on) {
                    FillAlamList(id);
                }
            }));
    connect(lv1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmAlam->popup(lv1->viewport()->mapToGlobal(pos)); });
    connect(lv1, &QTreeWidget::itemDoubleClicked, this, guard([this] { NModAlamClick(); }));
    connect(NAddAlam, &QAction::triggered, this, guard([this] { NAddAlamClick(); }));
    connect(NModAlam, &QAction::triggered, this, guard([this] { NModAlamClick(); }));
    connect(NDelAlam, &QAction::triggered, this, guard([this] { NDelAlamClick(); }));
}

int RemindersTab::CurrentFilter() const
{
    return m_filters->checkedId();
}

void RemindersTab::FillAlamList(int filter)
{
    lv1->clear(); // a failed query leaves the list empty, not stale
    FillListView(AlamStore.FillAlamList(filter), lv1, false);
    markMissed(Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    emit scheduleChanged();
}

void RemindersTab::TimeTick(const QDateTime& now)
{
    const QString text = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // One comparison a second while nothing is about to pass.
    if (!m_nextMiss.isEmpty() && m_nextMiss < text) {
        markMissed(text);
    }
}

void RemindersTab::markMissed(const QString& now)
{
    m_nextMiss.clear();
    for (int i = 0; i < lv1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lv1->topLevelItem(i);
        const QString when = item->text(1);
        if (!item->text(3).isEmpty() || !TAlam::IsMomentText(when)) {
            continue;
        }
        if (when < now) {
            item->setText(3, TAlam::MissedText);
            lv1->viewport()->update(lv1->visualItemRect(item));
        } else if (m_nextMiss.isEmpty() || when < m_nextMiss) {
            m_nextMiss = when;
        }
    }
}

void RemindersTab::ShowToday()
{
    FillAlamList(TAlam::Today);
}

void RemindersTab::Refill()
{
    FillAlamList(CurrentFilter());
}

void RemindersTab::showAll()
{
    if (rbAll->isChecked()) {
        FillAlamList(TAlam::All);
    } else {
        rbAll->setChecked(true); // fills through the button's handler
    }
}

void RemindersTab::ShowFound(const QString& id)
{
    auto find = [this, &id]() -> QTreeWidgetItem* {
        for (int i = 0; i < lv1->topLevelItemCount(); ++i) {
            if (lv1->topLevelItem(i)->text(0) == id) {
                return lv1->topLevelItem(i);
            }
        }
        return nullptr;
    };
    QTreeWidgetItem* item = find();
    if (!item) {
        showAll();
        item = find();
    }
    if (!item) {
        throw EAppError(QStringLiteral("该提醒已不存在！"));
    }
    lv1->setCurrentItem(item);
    lv1->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    lv1->setFocus();
}

void RemindersTab::NAddAlamClick()
{
    if (ShowAddAlamDlg() == mrOk) {
        showAll();
    }
}

void RemindersTab::NModAlamClick()
{
    QTreeWidgetItem* item = lv1->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    if (ShowModAlamDlg(item->text(0)) == mrOk) {
        showAll();
    }
}

void RemindersTab::NDelAlamClick()
{
    QTreeWidgetItem* item = lv1->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    if (!AskConfirm(QStringLiteral("确实要删除 ") + item->text(2) + QStringLiteral(" 吗？"))) {
        return;
    }
    AlamStore.DeleteAlam(item->text(0));
    delete item;
    emit scheduleChanged();
}

void RemindersTab::WMAlamDelete(int id)
{
    const QString text = QString::number(id);
    AlamStore.DeleteAlam(text);
    for (int i = lv1->topLevelItemCount() - 1; i >= 0; --i) {
        if (lv1->topLevelItem(i)->text(0) == text) {
            delete lv1->takeTopLevelItem(i);
        }
    }
    emit scheduleChanged();
}

void RemindersTab::WMAlamSnooze(int id, const QDateTime& moment)
{
    AlamStore.Snooze(QString::number(id), moment);
    Refill();
}

void RemindersTab::WMAlamSeen(int id)
{
    const QString text = QString::number(id);
    AlamStore.SetAlamSeen(text);
    for (int i = lv1->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = lv1->topLevelItem(i);
        if (item->text(0) == text) {
            item->setText(3, TAlam::SeenText);
            // The colour belongs to the whole row, not only to the changed cell.
            lv1->viewport()->update(lv1->visualItemRect(item));
        }
    }
    emit scheduleChanged();
}
