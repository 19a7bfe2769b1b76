#include "TFormPass.h"

#include "base/Exceptions.h"
#include "base/Wipe.h"
#include "widgets/TextBoxes.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

TFormPass::TFormPass(QWidget* parent) : TFormBaseDlg(parent)
{
    setObjectName(QStringLiteral("FormPass"));
    setWindowTitle(QStringLiteral("请输入密码"));
    auto* grid = new QGridLayout(clientArea());
    grid->setContentsMargins(44, 30, 40, 10);
    grid->setHorizontalSpacing(7);
    Label1 = new QLabel(QStringLiteral("输入密码"), clientArea());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedWidth(65);
    edtPass = new QLineEdit(clientArea());
    NoLengthLimit(edtPass);
    edtPass->setObjectName(QStringLiteral("edtPass"));
    edtPass->setEchoMode(QLineEdit::Password);
    edtPass->setFixedSize(121, 21);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtPass, 0, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(2, 1);
    setDesignSize(300, 160);
}

void TFormPass::showEvent(QShowEvent* event)
{
    TFormBaseDlg::showEvent(event);
    // Centred on the screen: at start the main window is not shown yet.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    edtPass->setFocus();
}

void TFormPass::btnOKClick()
{
    QString typed = edtPass->text();
    const bool right = Fits ? Fits(typed) : typed == Expected;
    Wipe(typed);
    if (!right) {
        throw EAppError(QStringLiteral("密码输入错误!"));
    }
    accept();
}

void TFormPass::done(int result)
{
    // What was typed does not outlive the dialog.
    edtPass->setText(QString());
    TFormBaseDlg::done(result);
}

int AskPassword(const QString& expected, const QString& caption)
{
    TFormPass dialog;
    dialog.Expected = expected;
    if (!caption.isEmpty()) {
        dialog.setWindowTitle(caption);
    }
    return dialog.showModal();
}

int AskPasswordFor(const QString& caption, const std::function<bool(const QString&)>& fits)
{
    TFormPass dialog;
    dialog.Fits = fits;
    dialog.setWindowTitle(caption);
    return dialog.showModal();
}
