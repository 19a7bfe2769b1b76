#pragma once

#include <QDate>
#include <QString>

// Appends one stamped entry to the day's log file in the program folder.
// Never raises and never reports: a log that cannot be written is skipped.
void WriteLog(const QString& text);

// The day's log file name for a given date, e.g. Log20240315.log.
QString LogFileName(const QDate& date);
