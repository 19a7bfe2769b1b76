#pragma once

class QWidget;

// The window's texts are 11 pixels high as designed; the larger texts (notes,
// the reminder list, the alert) keep their size relative to the desktop's font.
void ScaleFont(QWidget* widget, int designedPixels);

// Loads the font list and the fonts of the window's Latin and Chinese texts, which
// the first text box otherwise does as it is made; called while the start waits
// for something else, it takes that time off the start.
void WarmUpFonts();
