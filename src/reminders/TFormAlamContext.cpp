#include "TFormAlamContext.h"

#include "base/BlankText.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Messages.h"
#include "store/TAlamContext.h"
#include "widgets/Fonts.h"
#include "widgets/ListFill.h"
#include "widgets/Menus.h"
#include "widgets/TextBoxes.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormAlamContext::TFormAlamContext(QWidget* parent) : TFormBaseDlg(parent)
{
    setObjectName(QStringLiteral("FormAlamContext"));
    setWindowTitle(QStringLiteral("提醒内容"));
    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    lv1 = new QTreeWidget(clientArea());
    lv1->setObjectName(QStringLiteral("lv1"));
    lv1->setRootIsDecorated(false);
    lv1->setAllColumnsShowFocus(true);
    lv1->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv1->setToolTip(QStringLiteral("点右键可以新建、修改和是删除提醒内容"));
    lv1->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("提醒内容")});
    lv1->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    lv1->setColumnHidden(0, true);
    lv1->setColumnWidth(1, 500);
    lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(lv1);
    setTabOrder(btnCancel, lv1);

    pm1 = new QMenu(this);
    pm1->setObjectName(QStringLiteral("pm1"));
    N1 = AddNamedAction(pm1, "N1", QStringLiteral("新建"));
    N2 = AddNamedAction(pm1, "N2", QStringLiteral("修改"));
    N3 = AddNamedAction(pm1, "N3", QStringLiteral("删除"));
    connect(lv1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pm1->popup(lv1->viewport()->mapToGlobal(pos)); });
    connect(N1, &QAction::triggered, this, guard([this] { N1Click(); }));
    connect(N2, &QAction::triggered, this, guard([this] { N2Click(); }));
    connect(N3, &QAction::triggered, this, guard([this] { N3Click(); }));
    connect(lv1, &QTreeWidget::itemDoubleClicked, this, guard([this] { btnOKClick(); }));
}

void TFormAlamContext::showEvent(QShowEvent* event)
{
    TFormBaseDlg::showEvent(event);
    if (!m_filled) {
        m_filled = true;
        Guarded([this] { FillAlamContextList(); });
    }
}

void TFormAlamContext::FillAlamContextList()
{
    lv1->clear();
    FillListView(AlamContextStore.FillAlamContextList(), lv1, false);
    // The phrase column is centred, its texts with it.
    for (int i = 0; i < lv1->topLevelItemCount(); ++i) {
        lv1->topLevelItem(i)->setTextAlignment(1, Qt::AlignCenter);
    }
}

void TFormAlamContext::N1Click()
{
    if (ShowAddAlamContextDlg() == mrOk) {
        FillAlamContextList();
    }
}

void TFormAlamContext::N2Click()
{
    QTreeWidgetItem* item = lv1->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    if (ShowModAlamContextDlg(item->text(0), item->text(1)) == mrOk) {
        FillAlamContextList();
    }
}

void TFormAlamContext::N3Click()
{
    QTreeWidgetItem* item = lv1->currentItem();
    if (!item || !item->isSelected() || !AskConfirm(QStringLiteral("你确定要删除你选择的内容吗?"))) {
        return;
    }
    AlamContextStore.DeleteAlamContext(item->text(0));
    delete item;
}

void TFormAlamContext::btnOKClick()
{
    QTreeWidgetItem* item = lv1->currentItem();
    if (!item || !item->isSelected()) {
        return;
    }
    PickedText = item->text(1);
    accept();
}

TFormEditAlamContext::TFormEditAlamContext(const QString& id, QWidget* parent) : TFormBaseDlg(parent), RecordID(id)
{
    const bool adding = id.isEmpty();
    setObjectName(adding ? QStringLiteral("FormAddAlamContext") : QStringLiteral("FormModAlamContext"));
    setWindowTitle(adding ? QStringLiteral("新建提醒内容") : QStringLiteral("修改提醒内容"));
    Label1 = new QLabel(QStringLiteral("提醒内容"), clientArea());
    Label1->setObjectName(QStringLiteral("Label1"));
    placeDesigned(Label1, 32, 32, 65, 15);
    mmoNote = new QPlainTextEdit(clientArea());
    mmoNote->setObjectName(QStringLiteral("mmoNote"));
    mmoNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScaleFont(mmoNote, 13);
    placeDesigned(mmoNote, 96, 32, 257, 98);
    setTabOrder(btnCancel, mmoNote);
    resize(372, 186);
}

void TFormEditAlamContext::btnOKClick()
{
    const QString text = MemoText(mmoNote);
    if (IsBlankText(text)) {
        throw EAppError(QStringLiteral("提醒内容不能为空！"));
    }
    AlamContextStore.ReMark = text;
    if (RecordID.isEmpty()) {
        AlamContextStore.InsertAlamContext();
    } else {
        AlamContextStore.UpdateAlamContext(RecordID);
    }
    accept();
}

std::pair<int, QString> ShowAlamContextDlg()
{
    TFormAlamContext dialog;
    const int result = dialog.showModal();
    return {result, result == mrOk ? dialog.PickedText : QString()};
}

int ShowAddAlamContextDlg()
{
    TFormEditAlamContext dialog{QString()};
    return dialog.showModal();
}

int ShowModAlamContextDlg(const QString& id, const QString& text)
{
    TFormEditAlamContext dialog(id);
    dialog.mmoNote->setPlainText(text);
    return dialog.showModal();
}
