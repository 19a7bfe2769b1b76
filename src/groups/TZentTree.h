#pragma once

#include "store/GroupTable.h"

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// Keeps a tree control and a group table (IEType or NoteType) in step: fills the
// tree from the table, and adds, renames and deletes groups in both together.
// The root has the number 0 and no row. Refusals are raised as errors.
class TZentTree : public QObject
{
    Q_OBJECT

public:
    // Image 0 for the root; a group shows image 1, and image 2 while selected.
    // The names of the icons (resources/icons) of the root, a group and the
    // selected group.
    struct Images
    {
        QString root;
        QString group;
        QString groupSelected;
    };
    static Images FolderImages();
    static Images WebImages();

    TZentTree(QTreeWidget* tree, const QString& rootCaption, const QString& table, const Images& images);
    ~TZentTree() override;

    void LoadTree();
    // Empties the tree down to its root and loads it again (after a restore).
    void ReloadTree();
    int CurrentIndex() const;
    int MaxIndex() const;
    bool NameExists(const QString& name) const;
    QString SelectedPath() const;
    QTreeWidgetItem* AddGroup(const QString& name);
    bool AddGroupDlg();
    bool RenameGroup(const QString& newName);
    // Asks `question` before deleting, when given, instead of the plain one.
    void DeleteGroup(const QString& question = QString());
    // Starts editing the selected group's label; a committed new text is stored
    // through RenameGroup, a refused one leaves the old label.
    void RenameInPlace();

    QTreeWidgetItem* Selected() const;
    QTreeWidgetItem* Root() const
    {
        return m_root;
    }
    QTreeWidget* Tree() const
    {
        return m_tree;
    }
    static int SelfIndexOf(const QTreeWidgetItem* item);
    static int ParentIndexOf(const QTreeWidgetItem* item);

signals:
    // A group was renamed in place and stored.
    void renamedInPlace(QTreeWidgetItem* item);

private:
    QTreeWidgetItem* makeNode(int selfIndex, int parentIndex, const QString& name) const;
    // A group another tree of the same table has just stored: added under its
    // parent here too, leaving selection and expansion alone.
    void adopt(int selfIndex, int parentIndex, const QString& name);
    bool renameItem(QTreeWidgetItem* item, const QString& newName);
    void editedInPlace(const QString& newText);

    QTreeWidget* m_tree;
    GroupTable m_groups;
    QString m_rootCaption;
    QIcon m_groupIcon;
    QTreeWidgetItem* m_root = nullptr;
    QTreeWidgetItem* m_editing = nullptr;
    bool m_loaded = false;
};
