#pragma once

#include "store/SearchAll.h"

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class SearchReader;

// "搜索全部": one box, and as the user types, the notes, web addresses and
// reminders holding the text, grouped by kind. The search runs on a thread of
// its own, so typing never waits for it. Choosing a result (Enter or a
// double-click) asks the main window to show it; the window stays open.
class TFormSearch : public QDialog
{
    Q_OBJECT

public:
    explicit TFormSearch(QWidget* parent = nullptr);
    ~TFormSearch() override;

    // Shows the window (or brings it forward) with the box ready for typing.
    void ShowSearch();

    // What the user asked for reaches the database after this pause in typing.
    static constexpr int kTypingPauseMs = 60;

    QLineEdit* edtSearch = nullptr;
    QTreeWidget* lvResult = nullptr;
    QLabel* labState = nullptr;

    // The results shown, for the text they were found for.
    const SearchAll::Results& Shown() const
    {
        return m_shown;
    }
    void lvResultActivated(QTreeWidgetItem* item);

signals:
    void noteChosen(int group, const QString& text);
    void urlChosen(int group, const QString& id);
    void alamChosen(const QString& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void edtSearchChange();
    void startSearch();
    void showResults(const SearchAll::Results& results);

    std::unique_ptr<SearchReader> m_reader;
    QTimer* m_typing = nullptr;
    SearchAll::Results m_shown;
    int m_release = 0;
};
