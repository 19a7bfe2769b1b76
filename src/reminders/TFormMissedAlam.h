#pragma once

#include <QDateTime>
#include <QPointer>
#include <QWidget>

struct ListRows;
class QPushButton;
class QTreeWidget;

// "错过的提醒": the one-off reminders that fell due unseen while the program was
// not watching, in one window instead of one alert each. Its answers act on the
// chosen rows, or on all when none is chosen, and are posted to the main window
// like an alert's.
class TFormMissedAlam : public QWidget
{
    Q_OBJECT

public:
    // Shows the rows (ID, moment, text) in the one such window, opening it when
    // none is open; nothing at all for no rows. Returns the window, if any.
    static TFormMissedAlam* ShowMissed(const ListRows& rows, QObject* mainWindow);
    static TFormMissedAlam* Current();

    QTreeWidget* lvMissed = nullptr;
    QPushButton* btnOkDel = nullptr;  // 看到了并删除
    QPushButton* btnOkSave = nullptr; // 看到了并保留
    QPushButton* btnLater = nullptr;  // 稍后提醒

    void btnOkDelClick();
    void btnOkSaveClick();
    void SnoozeTo(const QDateTime& moment);

private:
    explicit TFormMissedAlam(QObject* mainWindow);
    void add(const ListRows& rows);
    // The IDs answered: the chosen rows, or all; their rows go.
    QList<int> takeChosen();
    void post(int type, const QDateTime& moment = QDateTime());

    QPointer<QObject> m_mainWindow;
};
