#include "TZentEdtBut.h"

#include "base/AppIcon.h"
#include "base/ExceptionHandler.h"

#include <QResizeEvent>
#include <QToolButton>

TZentEdtBut::TZentEdtBut(QWidget* parent) : QLineEdit(parent)
{
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setFocusPolicy(Qt::NoFocus);
    // The arrow over the button, whatever cursor the box shows.
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setIcon(GetButtonGlyph(m_bmp));
    m_button->setIconSize(QSize(10, 10));
    connect(m_button, &QToolButton::clicked, this, guard([this] { ButClick(); }));
    ArrangeButton();
}

QIcon TZentEdtBut::GetButtonGlyph(TBmpCount kind)
{
    static const char* const names[] = {"zent_down", "zent_ok", "zent_lookup", "zent_folder", "zent_find"};
    return ResourceIcon(QLatin1String(names[kind]));
}

void TZentEdtBut::setButVisible(bool visible)
{
    if (visible != m_butVisible) {
        m_butVisible = visible;
        ArrangeButton();
    }
}

void TZentEdtBut::setButtonBmp(TBmpCount kind)
{
    if (kind != m_bmp) {
        m_bmp = kind;
        m_button->setIcon(GetButtonGlyph(kind));
    }
}

void TZentEdtBut::ArrangeButton()
{
    if (!m_butVisible) {
        m_button->setGeometry(0, 0, 0, 0);
        m_button->hide();
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int inset = hasFrame() ? 2 : 0;
    const int side = height() - 2 * inset;
    m_button->setGeometry(width() - side - inset, inset, side, side);
    m_button->show();
    setTextMargins(0, 0, side, 0);
}

void TZentEdtBut::ButClick()
{
    setFocus();
    emit OnButClick(this);
}

void TZentEdtBut::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    ArrangeButton();
}
