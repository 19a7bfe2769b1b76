#pragma once

#include "widgets/TFormBaseDlg.h"

class QTreeWidget;
class TZentTree;

// "选择组": picks the group of a web address, and can create groups.
class TFormViewIEType : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormViewIEType(QWidget* parent = nullptr);

    QTreeWidget* tv1 = nullptr;  // the URL groups
    QPushButton* btn1 = nullptr; // 新建分组
    TZentTree* Tree = nullptr;
    int GroupIndex = 0;

    void btn1Click();

protected:
    void btnOKClick() override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_loaded = false;
};

struct PickedGroup
{
    int result;
    int number;
    QString name;
};

PickedGroup ShowViewIETypeDlg();
