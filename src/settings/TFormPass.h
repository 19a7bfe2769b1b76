#pragma once

#include "widgets/TFormBaseDlg.h"

class QLabel;
class QLineEdit;

// Asks for the login password; only the exact text (case and blanks count) passes.
class TFormPass : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormPass(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // 输入密码
    QLineEdit* edtPass = nullptr;
    QString Expected;

protected:
    void btnOKClick() override;
    void showEvent(QShowEvent* event) override;
};

// Shows the password dialog; returns mrOk only for the expected password.
int AskPassword(const QString& expected, const QString& caption);
