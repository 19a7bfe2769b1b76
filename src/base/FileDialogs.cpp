#include "FileDialogs.h"

#include <QFileDialog>
#include <optional>

namespace {

std::optional<QString> g_next;

std::optional<QString> takeNext()
{
    std::optional<QString> next = g_next;
    g_next.reset();
    return next;
}

QString ask(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    // Modal to its window only: an alert on the screen stays answerable.
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

} // namespace

namespace FileDialogs {

QString getSaveFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        return *next;
    }
    // A backup replaces an existing file without asking.
    return ask(parent, filter, QFileDialog::AcceptSave);
}

QString getOpenFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        return *next;
    }
    return ask(parent, filter, QFileDialog::AcceptOpen);
}

void setNextFileName(const QString& name)
{
    g_next = name;
}

void clearNextFileName()
{
    g_next.reset();
}

} // namespace FileDialogs
