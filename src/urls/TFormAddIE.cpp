#include "TFormAddIE.h"

#include "base/ExceptionHandler.h"
#include "store/TIE.h"
#include "widgets/TZentEdtBut.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>

TFormAddIE::TFormAddIE(QWidget* parent) : TFormBaseIE(parent)
{
    setObjectName(QStringLiteral("FormAddIE"));
    setWindowTitle(QStringLiteral("新建网址"));
    chk1 = new QCheckBox(QStringLiteral("保存后继续新建"), pnlBottom);
    chk1->setObjectName(QStringLiteral("chk1"));
    auto* strip = static_cast<QHBoxLayout*>(pnlBottom->layout());
    strip->insertSpacing(0, 34);
    strip->insertWidget(1, chk1);

    // A line under the address box says where it is saved already; what follows
    // moves down to make room for it.
    labSaved = new QLabel(clientArea());
    labSaved->setObjectName(QStringLiteral("labSaved"));
    QPalette warn = labSaved->palette();
    warn.setColor(QPalette::WindowText, QColor(192, 80, 0));
    labSaved->setPalette(warn);
    placeDesigned(labSaved, 90, 76, 290, 15);
    constexpr int kRoom = 16;
    for (QWidget* below : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(edtName), static_cast<QWidget*>(Label3),
                           static_cast<QWidget*>(mmoRemark)}) {
        below->move(below->x(), below->y() + kRoom);
    }
    setDesignSize(408, 300 + kRoom);
    m_check = new QTimer(this);
    m_check->setSingleShot(true);
    m_check->setInterval(kCheckDelayMs);
    connect(m_check, &QTimer::timeout, this, guard([this] { CheckSaved(); }));
    connect(edtIE, &QLineEdit::textChanged, this, [this] {
        labSaved->clear();
        m_check->start();
    });
}

void TFormAddIE::CheckSaved()
{
    m_check->stop();
    QStringList groups = IEStore.SavedIn(edtIE->text());
    for (QString& name : groups) {
        name = QStringLiteral("＂") + (name.isEmpty() ? QStringLiteral("全部") : name) + QStringLiteral("＂");
    }
    groups.removeDuplicates();
    labSaved->setText(groups.isEmpty() ? QString()
                                       : QStringLiteral("该网址已经保存在") + groups.join(QStringLiteral("、")) +
                                             QStringLiteral("组中"));
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
