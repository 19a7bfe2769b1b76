#pragma once

#include <QString>

// The first occurrence of needle in text at or after from, with the Latin letters
// a-z matching regardless of case and every other character only itself; -1 when
// there is none or the needle is empty.
qsizetype FindLatinCaseless(const QString& text, const QString& needle, qsizetype from);
