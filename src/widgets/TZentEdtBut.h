#pragma once

#include <QIcon>
#include <QLineEdit>

class QToolButton;

// A one-line text box with a small square button inside its right end. The
// button never takes the keyboard focus; a click puts the focus in the box and
// raises OnButClick. The text never runs under the button.
class TZentEdtBut : public QLineEdit
{
    Q_OBJECT

public:
    enum TBmpCount
    {
        ZentDown = 0,
        ZentOK = 1,
        ZentLookup = 2,
        ZentFolder = 3,
        ZentFind = 4
    };

    explicit TZentEdtBut(QWidget* parent = nullptr);

    bool ButVisible() const
    {
        return m_butVisible;
    }
    void setButVisible(bool visible);
    TBmpCount ButtonBmp() const
    {
        return m_bmp;
    }
    void setButtonBmp(TBmpCount kind);
    QToolButton* button() const
    {
        return m_button;
    }

    void ArrangeButton();
    void ButClick();

    // The shared picture of a glyph kind.
    static QIcon GetButtonGlyph(TBmpCount kind);

signals:
    void OnButClick(QObject* sender);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_button;
    bool m_butVisible = true;
    TBmpCount m_bmp = ZentDown;
};
