#include "TFormViewIEType.h"

#include "base/ExceptionHandler.h"
#include "groups/TFormAddType.h"
#include "groups/TZentTree.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormViewIEType::TFormViewIEType(QWidget* parent) : TFormBaseDlg(parent)
{
    setObjectName(QStringLiteral("FormViewIEType"));
    setWindowTitle(QStringLiteral("选择组"));
    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    tv1 = new QTreeWidget(clientArea());
    tv1->setObjectName(QStringLiteral("tv1"));
    tv1->setIndentation(19);
    layout->addWidget(tv1);

    btn1 = new QPushButton(QStringLiteral("新建分组"), pnlBottom);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setFixedSize(75, 25);
    auto* strip = static_cast<QHBoxLayout*>(pnlBottom->layout());
    strip->insertSpacing(0, 8);
    strip->insertWidget(1, btn1);
    setTabOrder(btnCancel, btn1);

    // FormCreate: the picker's own tree over the URL groups.
    Tree = new TZentTree(tv1, QStringLiteral("全部"), QStringLiteral("IEType"), TZentTree::FolderImages());
    connect(btn1, &QPushButton::clicked, this, guard([this] { btn1Click(); }));
    connect(tv1, &QTreeWidget::itemDoubleClicked, this, guard([this] { btnOKClick(); }));
    setDesignSize(288, 381);
}

void TFormViewIEType::showEvent(QShowEvent* event)
{
    TFormBaseDlg::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Guarded([this] { Tree->LoadTree(); });
    }
}

void TFormViewIEType::btnOKClick()
{
    if (!Tree->Selected()) {
        return;
    }
    GroupIndex = Tree->CurrentIndex();
    accept();
}

void TFormViewIEType::btn1Click()
{
    if (!Tree->Selected()) {
        return;
    }
    const auto [result, name] = ShowAddTypeDlg(Tree->SelectedPath());
    if (result == mrOk) {
        Tree->AddGroup(name);
    }
}

PickedGroup ShowViewIETypeDlg()
{
    TFormViewIEType dialog;
    const int result = dialog.showModal();
    if (result != mrOk) {
        return {result, 0, QString()};
    }
    const int number = dialog.GroupIndex;
    return {result, number, number != 0 ? dialog.Tree->Selected()->text(0) : QStringLiteral("全部")};
}
