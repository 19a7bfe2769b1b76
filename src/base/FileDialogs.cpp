#include "FileDialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QStyle>
#include <optional>

namespace {

std::optional<QString> g_next;

std::optional<QString> takeNext()
{
    std::optional<QString> next = g_next;
    g_next.reset();
    return next;
}

// Names files by their names alone. The toolkit's own provider reads a file's
// first bytes to tell its type, and opening and closing the live database that
// way would drop every lock the program holds on it.
class NameOnlyIconProvider : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        return QApplication::style()->standardIcon(type == Folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo& info) const override
    {
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir()) {
            return QStringLiteral("文件夹");
        }
        return info.suffix().isEmpty() ? QStringLiteral("文件") : info.suffix().toUpper() + QStringLiteral(" 文件");
    }
};

QString ask(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    NameOnlyIconProvider names;
    dialog.setIconProvider(&names);
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

QString getExistingDirectory(QWidget* parent)
{
    if (auto next = takeNext()) {
        return *next;
    }
    QFileDialog dialog(parent);
    NameOnlyIconProvider names;
    dialog.setIconProvider(&names);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
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
