#pragma once

#include "TFormBaseAlam.h"

// "新建提醒": starts one hour from now, stores a new reminder on OK.
class TFormAddAlam : public TFormBaseAlam
{
    Q_OBJECT

public:
    explicit TFormAddAlam(QWidget* parent = nullptr);

protected:
    void btnOKClick() override;
};

// "修改提醒": edits a stored reminder; saved daily, it gets the fixed date.
class TFormModAlam : public TFormBaseAlam
{
    Q_OBJECT

public:
    explicit TFormModAlam(QWidget* parent = nullptr);
    // Loads the reminder into the editor.
    void Load(const QString& id);

    QString RecordID;

protected:
    void btnOKClick() override;
};

int ShowAddAlamDlg();
int ShowModAlamDlg(const QString& id);
