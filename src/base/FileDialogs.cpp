#include "FileDialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QStyle>
#include <QTreeView>
#include <optional>

namespace {

std::optional<QString> g_next;
QString g_lastFolder;

void remember(const QString& picked, bool folder = false)
{
    if (!picked.isEmpty()) {
        g_lastFolder = folder ? QFileInfo(picked).absoluteFilePath() : QFileInfo(picked).absolutePath();
    }
}

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

// Sizes and dates in the program's own language: the toolkit's file model writes
// them in the system locale, which may be any (English month names under C).
class ChineseColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role == Qt::DisplayRole && files && (index.column() == 1 || index.column() == 3)) {
            const QFileInfo info = files->fileInfo(mapToSource(index));
            const QLocale chinese(QLocale::Chinese, QLocale::China);
            if (index.column() == 3) {
                return chinese.toString(info.lastModified(), QStringLiteral("yyyy-MM-dd HH:mm"));
            }
            return info.isDir() ? QString() : chinese.formattedDataSize(info.size());
        }
        return QIdentityProxyModel::data(index, role);
    }
};

QString ask(QWidget* parent, const QString& filter, QFileDialog::AcceptMode mode, QFileDialog::FileMode files,
            const QString& caption = QString())
{
    QFileDialog dialog(parent, caption, FileDialogs::StartFolder(), filter);
    // The toolkit's own dialog: the desktop's native one would bring neither the
    // name-only provider nor the Chinese columns.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    NameOnlyIconProvider names;
    dialog.setIconProvider(&names);
    dialog.setProxyModel(new ChineseColumns(&dialog));
    // A whole date and a type such as "HTML 文件" in sight beside the names.
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics(view->font());
        const int padding = metrics.averageCharWidth() * 3;
        view->header()->resizeSection(0, metrics.averageCharWidth() * 28);
        view->header()->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("HTML 文件")) + padding);
        view->header()->resizeSection(3, metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00")) + padding);
    }
    dialog.setAcceptMode(mode);
    dialog.setFileMode(files);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (files == QFileDialog::Directory) {
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    // Modal to its window only: an alert on the screen stays answerable.
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    remember(dialog.selectedFiles().first(), files == QFileDialog::Directory);
    return dialog.selectedFiles().first();
}

} // namespace

namespace FileDialogs {

QString getSaveFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        remember(*next);
        return *next;
    }
    // A backup replaces an existing file without asking.
    return ask(parent, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

QString getOpenFileName(QWidget* parent, const QString& filter)
{
    if (auto next = takeNext()) {
        remember(*next);
        return *next;
    }
    return ask(parent, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

QString getExistingDirectory(QWidget* parent, const QString& caption)
{
    if (auto next = takeNext()) {
        remember(*next, true);
        return *next;
    }
    return ask(parent, QString(), QFileDialog::AcceptOpen, QFileDialog::Directory, caption);
}

void setNextFileName(const QString& name)
{
    g_next = name;
}

void clearNextFileName()
{
    g_next.reset();
}

QString StartFolder()
{
    // A folder removed since is no place to start.
    return !g_lastFolder.isEmpty() && QFileInfo(g_lastFolder).isDir() ? g_lastFolder : QDir::homePath();
}

void forgetLastFolder()
{
    g_lastFolder.clear();
}

} // namespace FileDialogs
