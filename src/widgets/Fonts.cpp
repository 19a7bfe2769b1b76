#include "Fonts.h"

#include <QWidget>

void ScaleFont(QWidget* widget, int designedPixels)
{
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * designedPixels / 11.0);
    widget->setFont(font);
}
