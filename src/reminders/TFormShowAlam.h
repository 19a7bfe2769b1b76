#pragma once

#include <QDateTime>
#include <QPointer>
#include <QWidget>

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

    // Where an alert of this size opens on the screen's available area.
    static QRect PlaceOnScreen(const QSize& size);

    QTextEdit* mmo1 = nullptr; // the reminder text
    QWidget* pnlBottom = nullptr;
    QPushButton* btnOkSave = nullptr;
    QPushButton* btnOkDel = nullptr;
    const QString RecordID;
    const bool IsDaily;
    // The second the reminder fell due in.
    const QDateTime DueAt;

    void btnOkSaveClick();
    void btnOkDelClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void post(int type);

    QPointer<QObject> m_mainWindow;
    bool m_rolledIn = false;
};

// Opens one alert and returns at once.
void ShowAlamAlert(const QString& id, const QString& text, bool daily, const QDateTime& due = QDateTime());
