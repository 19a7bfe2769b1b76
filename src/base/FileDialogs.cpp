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

} // namespace

namespace FileDialogs {

QString getSaveFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        return *next;
    }
    // A backup replaces an existing file without asking.
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString getOpenFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        return *next;
    }
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
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
