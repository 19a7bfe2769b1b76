#pragma once

#include <QString>

class QTreeWidget;

// The reusable reminder phrases.
class TAlamContext
{
public:
    void InsertAlamContext();
    void FillAlamContextList(QTreeWidget* list);
    void DeleteAlamContext(const QString& id);
    void UpdateAlamContext(const QString& id);

    QString ReMark;
    QString statement;
};

extern TAlamContext AlamContextStore;
