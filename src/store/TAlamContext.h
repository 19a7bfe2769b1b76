#pragma once

#include "ListRows.h"

#include <QString>

// The reusable reminder phrases.
class TAlamContext
{
public:
    void InsertAlamContext();
    ListRows FillAlamContextList();
    void DeleteAlamContext(const QString& id);
    void UpdateAlamContext(const QString& id);

    QString ReMark;
    QString statement;
};

extern TAlamContext AlamContextStore;
