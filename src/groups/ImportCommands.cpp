#include "ImportCommands.h"

#include "TZentTree.h"

#include <QGuiApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

void ReloadAndSelect(TZentTree& tree, int group)
{
    tree.ReloadTree();
    for (QTreeWidgetItemIterator it(tree.Tree()); *it; ++it) {
        if (TZentTree::SelfIndexOf(*it) == group) {
            tree.Tree()->setCurrentItem(*it);
            (*it)->setExpanded(true);
            return;
        }
    }
}
