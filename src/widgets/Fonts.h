#pragma once

#include <thread>

class QWidget;

// The window's texts are 11 pixels high as designed; the larger texts (notes,
// the reminder list, the alert) keep their size relative to the desktop's font.
void ScaleFont(QWidget* widget, int designedPixels);

// Reading the font configuration (its files, its caches) is plain library work
// that the first text would otherwise do on the main thread. Started at the top of
// main(), before the toolkit, it reads them on another thread meanwhile.
std::jthread ReadFontConfigAhead();

// Loads the font list and the fonts of the window's Latin and Chinese texts, which
// the first text box otherwise does as it is made; called while the start waits
// for something else, it takes that time off the start. The font configuration
// is read by then (the reading thread is joined first): the toolkit must not read
// it at the same time.
void WarmUpFonts(std::jthread& configReading);
