#include "TFormAddType.h"

#include "base/BlankText.h"
#include "base/Messages.h"
#include "widgets/DateKeys.h"
#include "widgets/TextBoxes.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

TFormAddType::TFormAddType(QWidget* parent) : TFormBaseDlg(parent)
{
    setObjectName(QStringLiteral("FormAddType"));
    setWindowTitle(QStringLiteral("新建组"));

    auto* grid = new QGridLayout(clientArea());
    grid->setContentsMargins(32, 24, 32, 16);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(19);
    Label1 = new QLabel(QStringLiteral("所在位置"), clientArea());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("组名"), clientArea());
    Label2->setObjectName(QStringLiteral("Label2"));
    for (QLabel* label : {Label1, Label2}) {
        label->setFixedWidth(70);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    edtPos = new QLineEdit(clientArea());
    edtPos->setObjectName(QStringLiteral("edtPos"));
    edtPos->setReadOnly(true);
    edtPos->setFocusPolicy(Qt::NoFocus);
    QPalette grey = edtPos->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    edtPos->setPalette(grey);
    edtName = new QLineEdit(clientArea());
    NoLengthLimit(edtName);
    edtName->setObjectName(QStringLiteral("edtName"));
    for (QLineEdit* edit : {edtPos, edtName}) {
        edit->setFixedSize(185, 21);
    }
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtPos, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtName, 1, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(2, 1);
    DateKeys::install(edtName, DateKeys::Midnight::DropTime);
    setDesignSize(374, 201);
}

void TFormAddType::showEvent(QShowEvent* event)
{
    TFormBaseDlg::showEvent(event);
    edtName->setFocus();
}

void TFormAddType::btnOKClick()
{
    if (IsBlankText(edtName->text())) {
        ShowInfo(QStringLiteral("名称不能为空!"));
        return;
    }
    accept();
}

std::pair<int, QString> ShowAddTypeDlg(const QString& position)
{
    TFormAddType dialog;
    dialog.edtPos->setText(position);
    const int result = dialog.showModal();
    return {result, result == mrOk ? dialog.edtName->text() : QString()};
}
