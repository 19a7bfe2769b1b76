#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;

// The alert of a due reminder: rolls in at the bottom-right of the screen, stays
// on top without taking the keyboard, chimes, and is answered with its buttons.
// A once-only reminder's answer is posted to the main window; a daily one's only
// closes the alert. A closed alert frees itself.
class TFormShowAlam : public QWidget
{
    Q_OBJECT

public:
    TFormShowAlam(const QString& id, const QString& text, bool daily, QObject* mainWindow,
                  const QDateTime& due = QDateTime());

    // The alerts now open, oldest first.
    static QList<TFormShowAlam*> OpenAlerts();
    // How many alerts wait for a place on the screen.
    static int WaitingAlerts();
    // Closes every alert, the waiting ones and the missed reminders' window
    // included; returns the seconds the alerts fell due in.
    static QList<QDateTime> CloseAll();

    // Where an alert of this size opens on the screen's available area: place 0
    // in the bottom-right corner, each further place stacked above the last.
    // Invalid where the screen holds no more.
    static QRect PlaceOnScreen(const QSize& size, int place = 0);

    QLabel* lblDue = nullptr;  // the due moment, above the text
    QTextEdit* mmo1 = nullptr; // the reminder text
    QWidget* pnlBottom = nullptr;
    QPushButton* btnOkSave = nullptr;
    QPushButton* btnOkDel = nullptr;
    QPushButton* btnLater = nullptr; // 稍后提醒
    QMenu* pmLater = nullptr;        // 5 分钟 … 自定义…
    const QString RecordID;
    const bool IsDaily;
    // The second the reminder fell due in.
    const QDateTime DueAt;

    void btnOkSaveClick();
    void btnOkDelClick();
    // Puts the reminder off to a moment and closes the alert.
    void SnoozeTo(const QDateTime& moment);
    // The "稍后提醒" menu: 5 分钟, 10 分钟, 30 分钟, 1 小时, 明天此时, 自定义….
    static QMenu* SnoozeMenu(QWidget* owner, std::function<void(const QDateTime&)> chosen);
    // The moment the "自定义…" item asks for; invalid when cancelled.
    static QDateTime AskSnoozeMoment(QWidget* parent);

    // What an alert shows in place of its text while the program is locked.
    static inline const QString kLockedText = QStringLiteral("有提醒");

    // For the first second keys do nothing: a user typing elsewhere must not
    // answer an alert that just appeared.
    static constexpr int kKeyGuardMs = 1000;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void post(int type, const QDateTime& moment = QDateTime());

    bool keysGuarded() const;
    void showText();

    QPointer<QObject> m_mainWindow;
    const QString m_text;
    bool m_rolledIn = false;
    QElapsedTimer m_shown;
    quint64 m_order = 0; // opening order
};

// Opens one alert and returns at once.
void ShowAlamAlert(const QString& id, const QString& text, bool daily, const QDateTime& due = QDateTime());
