#pragma once

#include "widgets/TFormBaseDlg.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// "软件设置": the login password switch and the password, typed twice. Changing
// or removing a stored password asks for the old one first.
class TFormConfig : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormConfig(QWidget* parent = nullptr);

    QCheckBox* chkPass = nullptr;
    QLabel* Label1 = nullptr; // 密码
    QLineEdit* edtPass = nullptr;
    QLabel* Label2 = nullptr; // 再输入次
    QLineEdit* edtRePass = nullptr;
    QLabel* lblWarning = nullptr; // a forgotten password cannot be recovered

    void chkPassClick();

protected:
    void btnOKClick() override;
};

void ShowConfigDlg();
