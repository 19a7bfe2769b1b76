#pragma once

#include "widgets/TFormBaseDlg.h"

#include <utility>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTreeWidget;

// "提醒内容": the phrase list, where phrases are kept and one is picked.
class TFormAlamContext : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormAlamContext(QWidget* parent = nullptr);

    QTreeWidget* lv1 = nullptr; // the phrase list
    QMenu* pm1 = nullptr;       // the list menu
    QAction* N1 = nullptr;      // 新建
    QAction* N2 = nullptr;      // 修改
    QAction* N3 = nullptr;      // 删除
    QString PickedText;

    void FillAlamContextList();
    void N1Click();
    void N2Click();
    void N3Click();

protected:
    void btnOKClick() override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_filled = false;
};

// "新建提醒内容" and "修改提醒内容": one phrase in a text box.
class TFormEditAlamContext : public TFormBaseDlg
{
    Q_OBJECT

public:
    // An empty id makes a new phrase.
    explicit TFormEditAlamContext(const QString& id, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // 提醒内容
    QPlainTextEdit* mmoNote = nullptr;
    QString RecordID;

protected:
    void btnOKClick() override;
};

// The result and, for OK, the picked phrase.
std::pair<int, QString> ShowAlamContextDlg();
int ShowAddAlamContextDlg();
int ShowModAlamContextDlg(const QString& id, const QString& text);
