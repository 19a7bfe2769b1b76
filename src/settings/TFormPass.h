#pragma once

#include "widgets/TFormBaseDlg.h"

#include <functional>

class QLabel;
class QLineEdit;

// Asks for the login password; only the exact text (case and blanks count) passes,
// or, with a check of its own, only what the check accepts (a key that opens a file).
class TFormPass : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormPass(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // 输入密码
    QLineEdit* edtPass = nullptr;
    QString Expected;
    std::function<bool(const QString&)> Fits;

protected:
    void btnOKClick() override;
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
};

// Shows the password dialog; returns mrOk only for the expected password.
int AskPassword(const QString& expected, const QString& caption);
// Shows the password dialog until `fits` accepts what is typed ("密码输入错误!"
// for anything else, and the dialog stays); returns mrOk then, or mrCancel.
int AskPasswordFor(const QString& caption, const std::function<bool(const QString&)>& fits);
