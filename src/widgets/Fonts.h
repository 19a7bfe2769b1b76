#pragma once

class QWidget;

// The window's texts are 11 pixels high as designed; the larger texts (notes,
// the reminder list, the alert) keep their size relative to the desktop's font.
void ScaleFont(QWidget* widget, int designedPixels);
