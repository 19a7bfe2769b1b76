#pragma once

#include <QString>

class QWidget;

// Open and save dialogs through one seam, so that a test can give the file name
// the user would have picked. An empty name means the dialog was cancelled.
namespace FileDialogs {

QString getSaveFileName(QWidget* parent, const QString& filter);
QString getOpenFileName(QWidget* parent, const QString& filter);
// An existing folder.
QString getExistingDirectory(QWidget* parent);

// Tests: the next dialog returns this name at once without showing anything.
void setNextFileName(const QString& name);
// Tests: forget a name that no dialog took.
void clearNextFileName();

} // namespace FileDialogs
