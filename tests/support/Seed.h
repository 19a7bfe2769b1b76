#pragma once

#include <QDate>
#include <QString>

// Rows a test case starts from, written through the stores where one exists.
// Each returns the new row's ID where it has one.

// A group row of IEType or NoteType, written as it stands.
void addGroup(const QString& table, int self, int parent, const QString& name);
// A one-off reminder at a date ("HH:mm:ss" time), seen or not.
qint64 addOnce(const QString& time, const QDate& date, const QString& text, bool seen = false);
qint64 addDaily(const QString& time, const QString& text);
qint64 addUrl(int type, const QString& url, const QString& title, const QString& remark = QString());
