#include "Fonts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>
#include <fontconfig/fontconfig.h>

void ScaleFont(QWidget* widget, int designedPixels)
{
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * designedPixels / 11.0);
    widget->setFont(font);
}

std::jthread ReadFontConfigAhead()
{
    return std::jthread([] { FcInit(); });
}

void WarmUpFonts(std::jthread& configReading)
{
    if (configReading.joinable()) {
        configReading.join();
    }
    for (const char* widgetClass : {"QWidget", "QPlainTextEdit"}) {
        for (const int pixels : {11, 13}) {
            QFont font = QApplication::font(widgetClass);
            font.setPointSizeF(font.pointSizeF() * pixels / 11.0);
            QFontMetricsF(font).horizontalAdvance(QStringLiteral("记事本 Notes 12:00"));
        }
    }
}
