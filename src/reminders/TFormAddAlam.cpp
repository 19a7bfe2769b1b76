#include "TFormAddAlam.h"

#include "base/Clock.h"
#include "store/TAlam.h"

#include <QDateEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimeEdit>

TFormAddAlam::TFormAddAlam(QWidget* parent) : TFormBaseAlam(parent)
{
    setObjectName(QStringLiteral("FormAddAlam"));
    setWindowTitle(QStringLiteral("新建提醒"));
    // FormShow: one hour ahead, on tomorrow's date when that passes midnight.
    ApplyOffset(Offset::OneHour);
}

void TFormAddAlam::btnOKClick()
{
    CheckInput();
    storeRecord(DBDay->date());
    AlamStore.InsertAlam();
    accept();
}

TFormModAlam::TFormModAlam(QWidget* parent) : TFormBaseAlam(parent)
{
    setObjectName(QStringLiteral("FormModAlam"));
    setWindowTitle(QStringLiteral("修改提醒"));
}

void TFormModAlam::Load(const QString& id)
{
    AlamStore.LoadAlam(id);
    RecordID = id;
    DBTime->setTime(AlamStore.AlamTime);
    DBDay->setDate(AlamStore.AlamDate);
    rbTime->setChecked(!AlamStore.ReDay);
    rbDay->setChecked(AlamStore.ReDay);
    mmoNote->setPlainText(AlamStore.ReMark);
}

void TFormModAlam::btnOKClick()
{
    CheckInput();
    storeRecord(rbDay->isChecked() ? DailyFixedDate() : DBDay->date());
    AlamStore.UpdateAlam(RecordID);
    accept();
}

int ShowAddAlamDlg()
{
    TFormAddAlam dialog;
    return dialog.showModal();
}

int ShowModAlamDlg(const QString& id)
{
    TFormModAlam dialog;
    dialog.Load(id);
    return dialog.showModal();
}
