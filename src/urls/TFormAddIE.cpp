#include "TFormAddIE.h"

#include "store/TIE.h"
#include "widgets/TZentEdtBut.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

TFormAddIE::TFormAddIE(QWidget* parent) : TFormBaseIE(parent)
{
    setObjectName(QStringLiteral("FormAddIE"));
    setWindowTitle(QStringLiteral("新建网址"));
    chk1 = new QCheckBox(QStringLiteral("保存后继续新建"), pnlBottom);
    chk1->setObjectName(QStringLiteral("chk1"));
    auto* strip = static_cast<QHBoxLayout*>(pnlBottom->layout());
    strip->insertSpacing(0, 34);
    strip->insertWidget(1, chk1);
}

QString TFormAddIE::GetClipboardUrl()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) {
        return {};
    }
    const QString text = data->text();
    for (const char* hint : {"http", "www", ".com", ".cn", ".net", ".gov"}) {
        if (text.contains(QLatin1String(hint), Qt::CaseSensitive)) {
            return text;
        }
    }
    return {};
}

void TFormAddIE::ClearInput()
{
    edtIE->clear();
    edtName->clear();
    mmoRemark->clear();
    edtIE->setFocus();
}

void TFormAddIE::btnOKClick()
{
    CheckInput();
    storeRecord();
    IEStore.InsertIE();
    if (chk1->isChecked()) {
        ClearInput();
        return;
    }
    accept();
}

TFormModIE::TFormModIE(QWidget* parent) : TFormBaseIE(parent)
{
    setObjectName(QStringLiteral("FormModIE"));
    setWindowTitle(QStringLiteral("修改网址"));
}

void TFormModIE::Load(const QString& id)
{
    RecordID = id;
    IEStore.LoadIE(id);
    EdtGoup->setText(IEStore.TypeName.isEmpty() ? QStringLiteral("全部") : IEStore.TypeName);
    GroupIndex = IEStore.TypeID;
    edtIE->setText(IEStore.IEUrl);
    edtName->setText(IEStore.IEName);
    mmoRemark->setPlainText(IEStore.ReMark);
}

void TFormModIE::btnOKClick()
{
    CheckInput();
    storeRecord();
    IEStore.UpdateIE(RecordID);
    accept();
}

int ShowAddIEDlg(int number, const QString& name)
{
    TFormAddIE dialog;
    dialog.GroupIndex = number;
    dialog.EdtGoup->setText(name);
    dialog.edtIE->setText(TFormAddIE::GetClipboardUrl());
    return dialog.showModal();
}

int ShowModIEDlg(const QString& id)
{
    TFormModIE dialog;
    dialog.Load(id);
    return dialog.showModal();
}
