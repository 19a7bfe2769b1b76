#pragma once

#include <QString>

class QWidget;

// Open and save dialogs through one seam, so that a test can give the file name
// the user would have picked. An empty name means the dialog was cancelled.
// A dialog opens in the folder of the last file picked in this run, or in the
// user's home folder, never in whatever folder the program was started from.
namespace FileDialogs {

QString getSaveFileName(QWidget* parent, const QString& filter);
QString getOpenFileName(QWidget* parent, const QString& filter);
// An existing folder; the caption says what it is for.
QString getExistingDirectory(QWidget* parent, const QString& caption = QString());

// Tests: the next dialog returns this name at once without showing anything.
void setNextFileName(const QString& name);
// Tests: forget a name that no dialog took.
void clearNextFileName();

// The folder the next dialog opens in.
QString StartFolder();
// Tests: start again from the home folder.
void forgetLastFolder();

} // namespace FileDialogs
