#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;

// A memo's text exactly as typed: no-break spaces and line separators (U+2028)
// stay; only the editor's own paragraph marks become line breaks.
QString MemoText(const QPlainTextEdit* memo);

// A single-line box takes a paste of any length whole, instead of cutting it
// silently at the toolkit's default limit.
void NoLengthLimit(QLineEdit* box);
