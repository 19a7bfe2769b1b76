#include "ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {
std::function<void(const QUrl&)> g_opener;
}

namespace ShellOpenSeam {
void setOpener(std::function<void(const QUrl&)> opener)
{
    g_opener = std::move(opener);
}
} // namespace ShellOpenSeam

QUrl ShellTarget(const QString& target)
{
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    if (QFileInfo::exists(trimmed)) {
        return QUrl::fromLocalFile(QFileInfo(trimmed).absoluteFilePath());
    }
    QUrl url = QUrl::fromUserInput(trimmed);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return {};
    }
    // fromUserInput accepts anything as a host; a "host" with blanks is no address.
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
        (url.host().isEmpty() || url.host().contains(QLatin1Char(' ')))) {
        return {};
    }
    return url;
}

void ShellOpen(QWidget* owner, const QString& target)
{
    Q_UNUSED(owner);
    const QUrl url = ShellTarget(target);
    if (url.isEmpty()) {
        return;
    }
    if (g_opener) {
        g_opener(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}
