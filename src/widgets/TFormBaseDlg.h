#pragma once

#include <QDialog>

class QFrame;
class QPushButton;
class QWidget;

// The modal results the dialog routines hand back.
enum ModalResult
{
    mrOk = 1,
    mrCancel = 2
};

// The frame of every dialog: an etched line at the top, the dialog's own controls
// in clientArea(), and a bottom strip with OK (the default button) and Cancel
// (Esc; the close box cancels too). OK runs btnOKClick(), which checks the input
// and closes only when it is acceptable: an error it raises is shown and the
// dialog stays open.
class TFormBaseDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TFormBaseDlg(QWidget* parent = nullptr);

    // Shows the dialog modally and returns mrOk or mrCancel.
    int showModal();

    QWidget* clientArea() const
    {
        return m_client;
    }

    QFrame* bvl2 = nullptr; // the etched line above the client area
    QFrame* bvl1 = nullptr; // the etched line above the buttons
    QWidget* pnlBottom = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    // The OK handler; the frame's own closes with OK.
    virtual void btnOKClick();
    // Sets the outer size the dialog was designed with.
    void setDesignSize(int outerWidth, int outerHeight);
    // Places a control of the client area where the designer put it (the
    // designer's y counts the line above the client area).
    static void placeDesigned(QWidget* control, int x, int y, int width, int height);

private:
    QWidget* m_client = nullptr;
};
