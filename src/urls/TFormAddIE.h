#pragma once

#include "TFormBaseIE.h"

class QCheckBox;
class QTimer;

// "新建网址": pre-filled from the clipboard when it holds something like an
// address; with "保存后继续新建" ticked, OK stores and clears for the next one.
class TFormAddIE : public TFormBaseIE
{
    Q_OBJECT

public:
    explicit TFormAddIE(QWidget* parent = nullptr);

    // The clipboard's whole plain text when it contains an address hint, else empty.
    static QString GetClipboardUrl();
    void ClearInput();

    QCheckBox* chk1 = nullptr; // 保存后继续新建
    // Under the address box: where the address is saved already, if anywhere.
    QLabel* labSaved = nullptr;
    // Looks the typed address up; runs by itself a moment after typing stops.
    void CheckSaved();
    static constexpr int kCheckDelayMs = 250;

protected:
    void btnOKClick() override;

private:
    QTimer* m_check = nullptr;
};

// "修改网址": changes one stored address.
class TFormModIE : public TFormBaseIE
{
    Q_OBJECT

public:
    explicit TFormModIE(QWidget* parent = nullptr);
    void Load(const QString& id);

    QString RecordID;

protected:
    void btnOKClick() override;
};

int ShowAddIEDlg(int number, const QString& name);
int ShowModIEDlg(const QString& id);
