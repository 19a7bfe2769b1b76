#pragma once

#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QSplitter;
class QTreeWidget;
class ResultSetModel;
class TZentDBGrid;
class TZentTree;

// The "网址管理" tab: URL groups beside a striped grid of the shown group's
// addresses, with the commands of both menus; a double-click opens an address.
class UrlsTab : public QWidget
{
    Q_OBJECT

public:
    explicit UrlsTab(QWidget* parent = nullptr);

    // The main window's tree over tvIE and IEType.
    void setTree(TZentTree* tree);
    // Start-up: every address.
    void ShowAll();
    // Lists one group's addresses in the grid, or every address for group 0.
    void FillGrid(int group);

    // A search result: selects the address's group and its row; under "全部"
    // when it is filed under no group of the tree, or not there any more.
    void ShowFound(int group, const QString& id);

    // The selected group's number and name ("全部" for the root or none).
    int SelectedGroup() const;
    QString SelectedGroupName() const;

    QWidget* pnl2 = nullptr; // left: the groups
    QTreeWidget* tvIE = nullptr;
    QSplitter* spl1 = nullptr;      // between groups and grid
    QWidget* pnl3 = nullptr;        // right: the grid
    TZentDBGrid* DBGrid1 = nullptr; // the addresses
    QMenu* pmIEType = nullptr;
    QAction* NAddIEType = nullptr;
    QAction* NModIeType = nullptr;
    QAction* NDelIEType = nullptr;
    QAction* N5 = nullptr;        // 新建网址
    QAction* NImportIE = nullptr; // 导入书签…
    QAction* NExportIE = nullptr; // 导出书签…
    QMenu* pmIE = nullptr;
    QAction* N1 = nullptr; // 新建
    QAction* N2 = nullptr; // 修改
    QAction* N3 = nullptr; // 删除
    QAction* N8 = nullptr; // 打开网页

    TZentTree* IETypeTree = nullptr;
    // The grid's view of the database's grid rows.
    ResultSetModel* GridRows = nullptr;

    void tvIEClick();
    void NAddIETypeClick();
    void NModIeTypeClick();
    void NDelIETypeClick();
    void N5Click();
    void N2Click();
    void N3Click();
    void N8Click();

private:
    // Runs a refill of the grid keeping the order the user chose and, when it is
    // still there, the current address.
    void keepingOrder(const std::function<void()>& refill);
    // The current row, -1 when the grid has none.
    int currentRow() const;
    QString cell(int row, const QString& field) const;
};
