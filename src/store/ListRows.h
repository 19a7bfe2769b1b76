#pragma once

#include <QList>
#include <QStringList>

// A report-style list's content: the field names and every row's texts.
struct ListRows
{
    QStringList titles;
    QList<QStringList> rows;
};
