#pragma once

#include <QString>
#include <QStringList>

// The saved web addresses: one held record and the statements of each operation.
class TIE
{
public:
    void InsertIE();
    // Opens the grid's rows (DbAccess->GridQuery) on one group's addresses, or
    // on every address for group 0.
    void FillGrid(int group);
    // Deletes one address, then re-runs the grid's statement.
    void DeleteIE(const QString& id);
    void LoadIE(const QString& id);
    // The group's name; empty for 0 or a group that is gone.
    QString LoadTypeName(int group);
    void UpdateIE(const QString& id);
    int CountByType(int group);
    // The names of the groups an address is saved in already ("" for the root or
    // a group that is gone), in the order the addresses were saved.
    QStringList SavedIn(const QString& url);
    // Deletes every address of a group in one transaction, then re-runs the grid.
    void DeleteByType(const QString& group);

    int TypeID = 0;
    QString IEUrl;
    QString IEName;
    QString ReMark;
    QString TypeName;
    QString statement;
};

extern TIE IEStore;
