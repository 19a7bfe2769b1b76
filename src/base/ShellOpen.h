#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// Hands a web address, document or folder to the desktop's "open" action. The
// result is not examined: a target that cannot be opened is not reported.
void ShellOpen(QWidget* owner, const QString& target);

// What ShellOpen would open: a bare host such as www.example.com becomes an http
// address, an existing path a file URL; blank text or no address gives an empty URL.
QUrl ShellTarget(const QString& target);

namespace ShellOpenSeam {
// Tests record the opened address instead of starting a browser; empty restores.
void setOpener(std::function<void(const QUrl&)> opener);
} // namespace ShellOpenSeam
