#pragma once

#include "widgets/TFormBaseDlg.h"

#include <QDateTime>

class QAction;
class QDateEdit;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTimer;

// The reminder editor's frame: time and date, once or daily, quick offsets, the
// phrase picker, a live clock and the input check.
class TFormBaseAlam : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormBaseAlam(QWidget* parent = nullptr);

    // The quick offsets of the "..." menu, in its order: days ahead, and whether
    // it is the one-hour item.
    enum class Offset
    {
        OneHour,
        OneDay,
        TwoDays,
        ThreeDays,
        SevenDays,
        TenDays,
        ThirtyDays
    };
    // The moment an offset gives from now: the date and the time of day with its
    // seconds. One hour ahead moves to tomorrow when it passes midnight.
    static QDateTime OffsetMoment(Offset offset, const QDateTime& now);
    void ApplyOffset(Offset offset);

    // Refuses a blank text, then (once only) a moment before now.
    void CheckInput();
    // The chosen moment, to the whole second.
    QDateTime ChosenMoment() const;

    QLabel* Label2 = nullptr; // 现在时间
    QLabel* LabNow = nullptr;
    QLabel* Label1 = nullptr; // 提醒时间
    QTimeEdit* DBTime = nullptr;
    QLabel* LabDay = nullptr;
    QDateEdit* DBDay = nullptr;
    QPushButton* btn1 = nullptr; // ... (the phrase list)
    QLabel* Label3 = nullptr;    // 重复频率
    QRadioButton* rbTime = nullptr;
    QRadioButton* rbDay = nullptr;
    QLabel* Label4 = nullptr; // 提醒内容
    QPlainTextEdit* mmoNote = nullptr;
    QPushButton* btnAlamContext = nullptr;
    QTimer* tmr1 = nullptr;  // the live clock, once a second
    QMenu* pm1 = nullptr;    // the quick offsets
    QAction* N11 = nullptr;  // 1小时后
    QAction* N12 = nullptr;  // 1天后
    QAction* N32 = nullptr;  // 2天后
    QAction* N1 = nullptr;   // 3天后
    QAction* N71 = nullptr;  // 7天后
    QAction* N101 = nullptr; // 10天后
    QAction* N301 = nullptr; // 30天后

protected:
    void tmr1Timer();
    void btn1Click();
    void btnAlamContextClick();
    void rbTimeClick();
    void rbDayClick();
    // Copies the editor's values into the reminder store's record.
    void storeRecord(const QDate& date);
};
