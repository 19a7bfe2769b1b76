#pragma once

#include "widgets/TFormBaseDlg.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class TZentEdtBut;

// The web-address editor: group (picked in "选择组"), address, title, remark.
class TFormBaseIE : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormBaseIE(QWidget* parent = nullptr);

    // Refuses an address of blanks only.
    void CheckInput();

    QLabel* LabGou = nullptr;
    QLabel* Label1 = nullptr; // 网址
    QLabel* Label2 = nullptr; // 标题
    QLabel* Label3 = nullptr; // 备注
    TZentEdtBut* EdtGoup = nullptr;
    QLineEdit* edtIE = nullptr;
    QToolButton* img3 = nullptr; // 打开IE (the browser icon)
    QLineEdit* edtName = nullptr;
    QPlainTextEdit* mmoRemark = nullptr;

    int GroupIndex = 0;

    void EdtGoupButClick();
    void img3Click();

protected:
    void showEvent(QShowEvent* event) override;
    // Copies the boxes into the web-address store's record.
    void storeRecord();
};
