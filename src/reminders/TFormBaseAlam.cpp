#include "TFormBaseAlam.h"

#include "TFormAlamContext.h"
#include "base/BlankText.h"
#include "base/Clock.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "store/TAlam.h"
#include "widgets/Fonts.h"
#include "widgets/Menus.h"
#include "widgets/TextBoxes.h"

#include <QCursor>
#include <QDateEdit>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>

TFormBaseAlam::TFormBaseAlam(QWidget* parent) : TFormBaseDlg(parent)
{
    QWidget* area = clientArea();
    auto label = [area](const char* name, const QString& text, int x, int y, int width) {
        auto* l = new QLabel(text, area);
        l->setObjectName(QLatin1String(name));
        placeDesigned(l, x, y, width, 15);
        return l;
    };
    QPalette red;
    red.setColor(QPalette::WindowText, Qt::red);
    Label2 = label("Label2", QStringLiteral("现在时间"), 32, 18, 60);
    Label2->setPalette(red);
    LabNow = label("LabNow", QString(), 96, 18, 249);
    LabNow->setPalette(red);
    Label1 = label("Label1", QStringLiteral("提醒时间"), 32, 52, 60);
    LabDay = label("LabDay", QStringLiteral("提醒日期"), 200, 52, 60);
    Label3 = label("Label3", QStringLiteral("重复频率"), 32, 84, 60);
    Label4 = label("Label4", QStringLiteral("提醒内容"), 32, 116, 60);

    DBTime = new QTimeEdit(area);
    DBTime->setObjectName(QStringLiteral("DBTime"));
    DBTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    placeDesigned(DBTime, 96, 48, 89, 21);
    DBDay = new QDateEdit(area);
    DBDay->setObjectName(QStringLiteral("DBDay"));
    DBDay->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DBDay->setCalendarPopup(true);
    DBDay->setMinimumDate(QDate(1899, 12, 30));
    placeDesigned(DBDay, 264, 48, 100, 21);
    btn1 = new QPushButton(QStringLiteral("..."), area);
    btn1->setObjectName(QStringLiteral("btn1"));
    placeDesigned(btn1, 8, 48, 21, 21);
    rbTime = new QRadioButton(QStringLiteral("不重复"), area);
    rbTime->setObjectName(QStringLiteral("rbTime"));
    rbTime->setChecked(true);
    placeDesigned(rbTime, 94, 84, 81, 17);
    rbDay = new QRadioButton(QStringLiteral("每天"), area);
    rbDay->setObjectName(QStringLiteral("rbDay"));
    placeDesigned(rbDay, 200, 84, 81, 17);
    mmoNote = new QPlainTextEdit(area);
    mmoNote->setObjectName(QStringLiteral("mmoNote"));
    mmoNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScaleFont(mmoNote, 13);
    placeDesigned(mmoNote, 96, 116, 257, 98);
    btnAlamContext = new QPushButton(QStringLiteral("..."), area);
    btnAlamContext->setObjectName(QStringLiteral("btnAlamContext"));
    placeDesigned(btnAlamContext, 48, 136, 25, 25);
    setTabOrder(DBTime, DBDay);
    setTabOrder(DBDay, rbTime);
    setTabOrder(rbTime, rbDay);
    setTabOrder(rbDay, mmoNote);
    // First in the tab order, and where the keyboard starts.
    DBTime->setFocus();

    pm1 = new QMenu(this);
    pm1->setObjectName(QStringLiteral("pm1"));
    const struct
    {
        QAction** action;
        const char* name;
        const char* text;
        Offset offset;
    } items[] = {
        {&N11, "N11", "1小时后", Offset::OneHour},     {&N12, "N12", "1天后", Offset::OneDay},
        {&N32, "N32", "2天后", Offset::TwoDays},       {&N1, "N1", "3天后", Offset::ThreeDays},
        {&N71, "N71", "7天后", Offset::SevenDays},     {&N101, "N101", "10天后", Offset::TenDays},
        {&N301, "N301", "30天后", Offset::ThirtyDays},
    };
    for (const auto& item : items) {
        *item.action = AddNamedAction(pm1, item.name, QString::fromUtf8(item.text));
        const Offset offset = item.offset;
        connect(*item.action, &QAction::triggered, this, guard([this, offset] { ApplyOffset(offset); }));
    }

    tmr1 = new QTimer(this);
    tmr1->setInterval(1000);
    connect(tmr1, &QTimer::timeout, this, guard([this] { tmr1Timer(); }));
    tmr1->start();
    connect(btn1, &QPushButton::clicked, this, guard([this] { btn1Click(); }));
    connect(btnAlamContext, &QPushButton::clicked, this, guard([this] { btnAlamContextClick(); }));
    connect(rbTime, &QRadioButton::toggled, this, guard([this](bool on) {
                if (on) {
                    rbTimeClick();
                }
            }));
    connect(rbDay, &QRadioButton::toggled, this, guard([this](bool on) {
                if (on) {
                    rbDayClick();
                }
            }));

    // FormCreate
    DBDay->setDate(Clock::now().date());
    resize(387, 266);
}

QDateTime TFormBaseAlam::OffsetMoment(Offset offset, const QDateTime& now)
{
    static const int days[] = {0, 1, 2, 3, 7, 10, 30};
    if (offset == Offset::OneHour) {
        return now.addSecs(3600);
    }
    return QDateTime(now.date().addDays(days[static_cast<int>(offset)]), now.time());
}

void TFormBaseAlam::ApplyOffset(Offset offset)
{
    const QDateTime moment = OffsetMoment(offset, Clock::now());
    DBDay->setDate(moment.date());
    DBTime->setTime(moment.time());
}

QDateTime TFormBaseAlam::ChosenMoment() const
{
    const QTime t = DBTime->time();
    return QDateTime(DBDay->date(), QTime(t.hour(), t.minute(), t.second()));
}

void TFormBaseAlam::CheckInput()
{
    const QDateTime chosen = ChosenMoment();
    if (!chosen.isValid()) {
        throw EAppError(QStringLiteral("'%1 %2' 不是有效的日期和时间")
                            .arg(AlamDateText(DBDay->date()), AlamTimeText(DBTime->time())));
    }
    if (IsBlankText(MemoText(mmoNote))) {
        throw EAppError(QStringLiteral("提醒内容不能为空！"));
    }
    if (rbTime->isChecked() && Clock::now() > chosen) {
        throw EAppError(QStringLiteral("设置的提醒时间不能早于当前时间！"));
    }
}

void TFormBaseAlam::storeRecord(const QDate& date)
{
    AlamStore.AlamTime = ChosenMoment().time();
    AlamStore.AlamDate = date;
    AlamStore.ReDay = rbDay->isChecked();
    AlamStore.ReMark = MemoText(mmoNote);
}

void TFormBaseAlam::tmr1Timer()
{
    LabNow->setText(Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void TFormBaseAlam::btn1Click()
{
    pm1->popup(QCursor::pos());
}

void TFormBaseAlam::btnAlamContextClick()
{
    const auto [result, phrase] = ShowAlamContextDlg();
    if (result == mrOk) {
        mmoNote->setPlainText(phrase);
    }
}

void TFormBaseAlam::rbTimeClick()
{
    for (QWidget* w : {static_cast<QWidget*>(LabDay), static_cast<QWidget*>(DBDay), static_cast<QWidget*>(btn1)}) {
        w->show();
    }
    DBDay->setDate(Clock::now().date());
}

void TFormBaseAlam::rbDayClick()
{
    for (QWidget* w : {static_cast<QWidget*>(LabDay), static_cast<QWidget*>(DBDay), static_cast<QWidget*>(btn1)}) {
        w->hide();
    }
}
