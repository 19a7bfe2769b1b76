#include "TFormConfig.h"

#include "TFormPass.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "store/TConfig.h"
#include "widgets/TextBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>

TFormConfig::TFormConfig(QWidget* parent) : TFormBaseDlg(parent)
{
    setObjectName(QStringLiteral("FormConfig"));
    setWindowTitle(QStringLiteral("软件设置"));
    auto* grid = new QGridLayout(clientArea());
    grid->setContentsMargins(24, 24, 24, 10);
    grid->setHorizontalSpacing(28);
    grid->setVerticalSpacing(11);
    chkPass = new QCheckBox(QStringLiteral("登录需输入密码"), clientArea());
    chkPass->setObjectName(QStringLiteral("chkPass"));
    Label1 = new QLabel(QStringLiteral("密码"), clientArea());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("再输入次"), clientArea());
    Label2->setObjectName(QStringLiteral("Label2"));
    edtPass = new QLineEdit(clientArea());
    NoLengthLimit(edtPass);
    edtPass->setObjectName(QStringLiteral("edtPass"));
    edtRePass = new QLineEdit(clientArea());
    NoLengthLimit(edtRePass);
    edtRePass->setObjectName(QStringLiteral("edtRePass"));
    for (QLabel* label : {Label1, Label2}) {
        label->setFixedWidth(60);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (QLineEdit* edit : {edtPass, edtRePass}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setFixedSize(121, 21);
    }
    grid->addWidget(chkPass, 0, 0, 1, 2, Qt::AlignLeft);
    grid->setRowMinimumHeight(1, 14);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(edtPass, 2, 1);
    grid->addWidget(Label2, 3, 0);
    grid->addWidget(edtRePass, 3, 1);
    lblWarning =
        new QLabel(QStringLiteral("密码就是数据文件的钥匙：忘记密码，数据就无法打开，也无法找回。"), clientArea());
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setWordWrap(true);
    grid->addWidget(lblWarning, 4, 0, 1, 3);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(2, 1);
    setDesignSize(290, 271);

    // FormShow: the stored values, both boxes enabled whatever the switch says.
    chkPass->setChecked(ConfigStore.bPass);
    edtPass->setText(ConfigStore.PassWord);
    edtRePass->setText(ConfigStore.PassWord);
    connect(chkPass, &QCheckBox::clicked, this, guard([this] { chkPassClick(); }));
}

void TFormConfig::chkPassClick()
{
    const bool on = chkPass->isChecked();
    edtPass->setEnabled(on);
    edtRePass->setEnabled(on);
    edtPass->setText(on ? ConfigStore.PassWord : QString());
    edtRePass->setText(on ? ConfigStore.PassWord : QString());
}

void TFormConfig::btnOKClick()
{
    const QString stored = ConfigStore.PassWord;
    if (chkPass->isChecked()) {
        if (edtPass->text().trimmed().isEmpty()) {
            edtPass->setFocus();
            throw EAppError(QStringLiteral("密码不能为空!"));
        }
        if (edtPass->text() != edtRePass->text()) {
            edtPass->setFocus();
            throw EAppError(QStringLiteral("两次输入的密码不一样,请重新输入!"));
        }
        if (!stored.isEmpty() && stored != edtPass->text() &&
            AskPassword(stored, QStringLiteral("请先输入旧密码")) != mrOk) {
            return;
        }
    } else if (!stored.isEmpty() && AskPassword(stored, QStringLiteral("请先输入密码才可以取消登录密码")) != mrOk) {
        return;
    }
    ConfigStore.bPass = chkPass->isChecked();
    ConfigStore.PassWord = edtPass->text();
    {
        // A change of password encrypts the whole file anew: a moment's work.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        ConfigStore.SaveConfig();
    }
    accept();
}

void ShowConfigDlg()
{
    TFormConfig dialog;
    dialog.showModal();
}
