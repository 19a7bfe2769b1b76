#include "TZentTree.h"

#include "TFormAddType.h"
#include "base/AppIcon.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Messages.h"
#include "store/GroupTable.h"

#include <QHash>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int kSelfRole = Qt::UserRole;
constexpr int kParentRole = Qt::UserRole + 1;

// Hands a committed label edit to the tree instead of writing it: the label
// changes only once the new name is stored.
class GroupNameDelegate : public QStyledItemDelegate
{
public:
    GroupNameDelegate(QObject* parent, std::function<void(const QString&)> committed)
        : QStyledItemDelegate(parent), m_committed(std::move(committed))
    {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override
    {
        const QString text = editor->property("text").toString();
        // Reported after the editor has closed, so that a message box never
        // opens inside the view's own commit.
        QMetaObject::invokeMethod(
            parent(), [committed = m_committed, text] { committed(text); }, Qt::QueuedConnection);
    }

private:
    std::function<void(const QString&)> m_committed;
};

// The tree's menu acts on the selected group, so a right click must not move
// the selection to the item under the mouse.
class RightClickKeepsSelection : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
             type == QEvent::MouseButtonDblClick) &&
            static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// A group's node keeps its two numbers and its icon as members: as item data they
// cost a few hundred bytes and three allocations for every group of a large tree.
class GroupNode : public QTreeWidgetItem
{
public:
    GroupNode(const QString& name, int selfIndex, int parentIndex, const QIcon& icon)
        : QTreeWidgetItem(QStringList{name}, UserType), m_icon(icon), m_self(selfIndex), m_parent(parentIndex)
    {}

    QVariant data(int column, int role) const override
    {
        if (column == 0) {
            switch (role) {
            case kSelfRole:
                return m_self;
            case kParentRole:
                return m_parent;
            case Qt::DecorationRole:
                return m_icon;
            default:
                break;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    QIcon m_icon;
    int m_self;
    int m_parent;
};

// Every tree alive, so that a group added through one (the URL group picker)
// shows at once in the others over the same table (the URL tab's tree).
QList<TZentTree*>& liveTrees()
{
    static QList<TZentTree*> trees;
    return trees;
}

} // namespace

TZentTree::Images TZentTree::FolderImages()
{
    return {QStringLiteral("folder_closed"), QStringLiteral("folder_closed"), QStringLiteral("folder_open")};
}

TZentTree::Images TZentTree::WebImages()
{
    return {QStringLiteral("browser"), QStringLiteral("page"), QStringLiteral("page_arrow")};
}

TZentTree::TZentTree(QTreeWidget* tree, const QString& rootCaption, const QString& table, const Images& images)
    : QObject(tree), m_tree(tree), m_groups(table), m_rootCaption(rootCaption)
{
    liveTrees().append(this);
    m_groupIcon.addFile(ResourceIconFile(images.group), QSize(), QIcon::Normal);
    m_groupIcon.addFile(ResourceIconFile(images.groupSelected), QSize(), QIcon::Selected);
    m_tree->clear();
    m_tree->setColumnCount(1);
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->viewport()->installEventFilter(new RightClickKeepsSelection(this));
    m_tree->setItemDelegate(
        new GroupNameDelegate(this, [this](const QString& text) { Guarded([&] { editedInPlace(text); }); }));
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        if (m_editing) {
            m_editing->setFlags(m_editing->flags() & ~Qt::ItemIsEditable);
        }
    });
    if (!rootCaption.isEmpty()) {
        m_root = new GroupNode(rootCaption, 0, 0, ResourceIcon(images.root));
        m_tree->addTopLevelItem(m_root);
    }
}

TZentTree::~TZentTree()
{
    liveTrees().removeOne(this);
}

void TZentTree::adopt(int selfIndex, int parentIndex, const QString& name)
{
    QTreeWidgetItem* parent = m_root;
    for (QTreeWidgetItemIterator it(m_tree); *it && parentIndex != 0; ++it) {
        if (*it != m_root && SelfIndexOf(*it) == parentIndex) {
            parent = *it;
            break;
        }
    }
    QTreeWidgetItem* node = makeNode(selfIndex, parentIndex, name);
    if (parent) {
        parent->addChild(node);
    } else {
        m_tree->addTopLevelItem(node);
    }
}

int TZentTree::SelfIndexOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kSelfRole).toInt() : 0;
}

int TZentTree::ParentIndexOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kParentRole).toInt() : 0;
}

QTreeWidgetItem* TZentTree::makeNode(int selfIndex, int parentIndex, const QString& name) const
{
    return new GroupNode(name, selfIndex, parentIndex, m_groupIcon);
}

void TZentTree::LoadTree()
{
    const QList<GroupTable::Row> groups = m_groups.Load();
    // Numbers are unique in the table, so a lookup finds the same parent as a walk
    // of the tree would. The nodes are built apart and added to the root at once.
    QHash<int, QTreeWidgetItem*> byNumber;
    byNumber.reserve(groups.size());
    QList<QTreeWidgetItem*> topLevel;
    for (const GroupTable::Row& row : groups) {
        const int self = row.self;
        const int parent = row.parent;
        QTreeWidgetItem* node = makeNode(self, parent, row.name);
        QTreeWidgetItem* parentNode = parent != 0 ? byNumber.value(parent) : nullptr;
        if (parentNode) {
            parentNode->addChild(node);
        } else {
            // Under the root, also when the parent's row is gone: never hidden.
            topLevel.append(node);
        }
        if (!byNumber.contains(self)) {
            byNumber.insert(self, node);
        }
    }
    m_tree->setUpdatesEnabled(false);
    if (m_root) {
        m_root->addChildren(topLevel);
        m_root->setExpanded(true);
    } else {
        m_tree->addTopLevelItems(topLevel);
    }
    m_tree->setCurrentItem(nullptr);
    m_tree->clearSelection();
    m_tree->setUpdatesEnabled(true);
    m_loaded = true;
}

void TZentTree::ReloadTree()
{
    m_editing = nullptr;
    m_tree->setCurrentItem(nullptr);
    if (m_root) {
        qDeleteAll(m_root->takeChildren());
    } else {
        m_tree->clear();
    }
    LoadTree();
}

QTreeWidgetItem* TZentTree::Selected() const
{
    return m_tree->currentItem();
}

int TZentTree::CurrentIndex() const
{
    return SelfIndexOf(Selected());
}

int TZentTree::MaxIndex() const
{
    int max = 0;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        max = std::max(max, SelfIndexOf(*it));
    }
    return max;
}

bool TZentTree::NameExists(const QString& name) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->text(0) == name) {
            return true;
        }
    }
    return false;
}

QString TZentTree::SelectedPath() const
{
    QStringList parts;
    for (QTreeWidgetItem* node = Selected(); node; node = node->parent()) {
        parts.prepend(node->text(0));
    }
    return parts.join(QStringLiteral("->"));
}

QTreeWidgetItem* TZentTree::AddGroup(const QString& name)
{
    if (NameExists(name)) {
        throw EAppError(QStringLiteral("该名称已经存在，请重新输入！"));
    }
    QTreeWidgetItem* parent = Selected() ? Selected() : m_root;
    // Also past the table's largest number: a group added by another tree of the
    // same table (the URL group picker) must never share a number with this one.
    const int selfIndex = std::max(MaxIndex(), m_groups.MaxIndex()) + 1;
    const int parentIndex = CurrentIndex();
    m_groups.Add(selfIndex, parentIndex, name);
    for (TZentTree* other : liveTrees()) {
        if (other != this && other->m_loaded && other->m_groups.name() == m_groups.name()) {
            other->adopt(selfIndex, parentIndex, name);
        }
    }
    QTreeWidgetItem* node = makeNode(selfIndex, parentIndex, name);
    if (parent) {
        parent->addChild(node);
        parent->setExpanded(true);
    } else {
        m_tree->addTopLevelItem(node);
    }
    return node;
}

bool TZentTree::AddGroupDlg()
{
    if (!Selected()) {
        return false;
    }
    const auto [result, name] = ShowAddTypeDlg(SelectedPath());
    if (result != mrOk) {
        return false;
    }
    m_tree->setCurrentItem(AddGroup(name));
    return true;
}

bool TZentTree::renameItem(QTreeWidgetItem* item, const QString& newName)
{
    if (NameExists(newName)) {
        throw EAppError(QStringLiteral("该名称已经存在，请重新输入！"));
    }
    m_groups.Rename(SelfIndexOf(item), newName);
    item->setText(0, newName);
    return true;
}

bool TZentTree::RenameGroup(const QString& newName)
{
    QTreeWidgetItem* item = Selected();
    if (!item) {
        throw EAppError(QStringLiteral("请选择要重命名的分组！"));
    }
    return renameItem(item, newName);
}

void TZentTree::RenameInPlace()
{
    QTreeWidgetItem* item = Selected();
    if (!item || item == m_root) {
        return;
    }
    m_editing = item;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_tree->editItem(item, 0);
}

void TZentTree::editedInPlace(const QString& newText)
{
    QTreeWidgetItem* item = m_editing;
    m_editing = nullptr;
    if (!item || newText == item->text(0)) {
        return;
    }
    renameItem(item, newText);
    emit renamedInPlace(item);
}

void TZentTree::DeleteGroup(const QString& question)
{
    QTreeWidgetItem* node = Selected();
    if (!node) {
        throw EAppError(QStringLiteral("请选择要删除的分组！"));
    }
    if (node == m_root) {
        throw EAppError(QStringLiteral("不能删除根分组！"));
    }
    if (node->childCount() > 0) {
        throw EAppError(QStringLiteral("还有下级分组，不能删除该分组！"));
    }
    if (!AskConfirm(question.isEmpty() ? QStringLiteral("确定要删除 ") + node->text(0) + QStringLiteral(" 分组吗？")
                                       : question)) {
        Abort();
    }
    m_groups.Delete(SelfIndexOf(node));
    if (m_editing == node) {
        m_editing = nullptr;
    }
    delete node;
    // The tree moves to a neighbour; make it the selected group as well.
    if (QTreeWidgetItem* next = m_tree->currentItem()) {
        m_tree->setCurrentItem(next);
    }
}
