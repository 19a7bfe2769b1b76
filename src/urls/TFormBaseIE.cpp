#include "TFormBaseIE.h"

#include "TFormViewIEType.h"
#include "base/AppIcon.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/ShellOpen.h"
#include "store/TIE.h"
#include "widgets/TZentEdtBut.h"
#include "widgets/TextBoxes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

TFormBaseIE::TFormBaseIE(QWidget* parent) : TFormBaseDlg(parent)
{
    QWidget* area = clientArea();
    auto label = [area](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, area);
        l->setObjectName(QLatin1String(name));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        placeDesigned(l, 14, y, 60, 15);
        return l;
    };
    LabGou = label("LabGou", QStringLiteral("分组"), 24);
    Label1 = label("Label1", QStringLiteral("网址"), 57);
    Label2 = label("Label2", QStringLiteral("标题"), 89);
    Label3 = label("Label3", QStringLiteral("备注"), 122);

    EdtGoup = new TZentEdtBut(area);
    EdtGoup->setObjectName(QStringLiteral("EdtGoup"));
    EdtGoup->setReadOnly(true);
    EdtGoup->setCursor(Qt::ForbiddenCursor);
    QPalette grey = EdtGoup->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    EdtGoup->setPalette(grey);
    EdtGoup->setButtonBmp(TZentEdtBut::ZentFind);
    EdtGoup->setText(QStringLiteral("未分组"));
    placeDesigned(EdtGoup, 90, 20, 256, 21);

    edtIE = new QLineEdit(area);

    NoLengthLimit(edtIE);
    edtIE->setObjectName(QStringLiteral("edtIE"));
    QPalette blue = edtIE->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    edtIE->setPalette(blue);
    placeDesigned(edtIE, 90, 53, 256, 21);

    img3 = new QToolButton(area);
    img3->setObjectName(QStringLiteral("img3"));
    img3->setAutoRaise(true);
    img3->setIcon(ResourceIcon(QStringLiteral("browser")));
    img3->setIconSize(QSize(16, 16));
    img3->setCursor(Qt::PointingHandCursor);
    img3->setToolTip(QStringLiteral("打开IE"));
    img3->setFocusPolicy(Qt::NoFocus);
    placeDesigned(img3, 348, 56, 18, 18);

    edtName = new QLineEdit(area);

    NoLengthLimit(edtName);
    edtName->setObjectName(QStringLiteral("edtName"));
    placeDesigned(edtName, 90, 85, 256, 21);

    mmoRemark = new QPlainTextEdit(area);
    mmoRemark->setObjectName(QStringLiteral("mmoRemark"));
    mmoRemark->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    placeDesigned(mmoRemark, 90, 122, 256, 93);

    setTabOrder(EdtGoup, edtIE);
    setTabOrder(edtIE, edtName);
    setTabOrder(edtName, mmoRemark);
    connect(EdtGoup, &TZentEdtBut::OnButClick, this, guard([this] { EdtGoupButClick(); }));
    connect(img3, &QToolButton::clicked, this, guard([this] { img3Click(); }));
    setDesignSize(408, 300);
}

void TFormBaseIE::showEvent(QShowEvent* event)
{
    TFormBaseDlg::showEvent(event);
    edtIE->setFocus();
}

void TFormBaseIE::EdtGoupButClick()
{
    const PickedGroup picked = ShowViewIETypeDlg();
    if (picked.result == mrOk) {
        GroupIndex = picked.number;
        EdtGoup->setText(picked.name);
    }
    edtIE->setFocus();
}

void TFormBaseIE::img3Click()
{
    if (!edtIE->text().trimmed().isEmpty()) {
        ShellOpen(this, edtIE->text());
    }
}

void TFormBaseIE::CheckInput()
{
    if (edtIE->text().trimmed().isEmpty()) {
        throw EAppError(QStringLiteral("网址不能为空！"));
    }
}

void TFormBaseIE::storeRecord()
{
    IEStore.TypeID = GroupIndex;
    IEStore.IEUrl = edtIE->text();
    IEStore.IEName = edtName->text();
    IEStore.ReMark = MemoText(mmoRemark);
}
