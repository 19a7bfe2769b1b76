#pragma once

#include "widgets/TFormBaseDlg.h"

#include <QString>
#include <utility>

class QLabel;
class QLineEdit;

// Asks for the name of a new group and shows where it will be placed.
class TFormAddType : public TFormBaseDlg
{
    Q_OBJECT

public:
    explicit TFormAddType(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // 所在位置
    QLabel* Label2 = nullptr; // 组名
    QLineEdit* edtPos = nullptr;
    QLineEdit* edtName = nullptr;

protected:
    void btnOKClick() override;
    void showEvent(QShowEvent* event) override;
};

// Returns the modal result and, for OK, the name exactly as typed.
std::pair<int, QString> ShowAddTypeDlg(const QString& position);
