#include "Messages.h"

#include "Log.h"
#include "MainWindowRef.h"

#include <QApplication>
#include <QMessageBox>

namespace {

Messages::Presenter g_presenter;

bool showBox(Messages::Kind kind, const QString& caption, const QString& text)
{
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : MainWindow();
    QMessageBox box(parent);
    // Modal to its window only: an alert on the screen stays answerable.
    box.setWindowModality(Qt::WindowModal);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (kind) {
    case Messages::Kind::Info:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Messages::Kind::Confirm:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Enter without moving the focus must not confirm a destructive action.
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case Messages::Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    return box.exec() == QMessageBox::Yes;
}

bool present(Messages::Kind kind, const QString& caption, const QString& text)
{
    return g_presenter ? g_presenter(kind, caption, text) : showBox(kind, caption, text);
}

} // namespace

namespace Messages {

void setPresenter(Presenter presenter)
{
    g_presenter = std::move(presenter);
}

} // namespace Messages

void ShowInfo(const QString& text)
{
    present(Messages::Kind::Info, QStringLiteral("提示"), text);
}

bool AskConfirm(const QString& text)
{
    return present(Messages::Kind::Confirm, QStringLiteral("确认"), text);
}

void ShowError(const QString& text)
{
    present(Messages::Kind::Error, QStringLiteral("错误"), text);
}

void ShowErrorDetail(const QString& text, const QString& detail, const QString& statement)
{
    const QString shown = text + QStringLiteral("\r\n详细信息：") + detail;
    present(Messages::Kind::Error, QStringLiteral("错误"), shown);
    if (!statement.isEmpty()) {
        WriteLog(shown + QStringLiteral("\r\n") + statement);
    }
}
