#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>

// Fills a statement template's %s marks in order. A mark written between single
// quotes ('%s') receives a text with its own single quotes doubled, so the text is
// stored exactly as typed; any other mark takes a number or a table name, and a
// value that is neither is refused rather than spliced into the statement. A
// count of values other than the count of marks is refused too.
QString SqlFormat(const QString& statementTemplate, std::initializer_list<QString> values);

// The text between single quotes with embedded quotes doubled.
QString SqlQuote(const QString& text);

// Splits a batch at each separator that stands outside a quoted literal. A batch
// with n such separators gives n + 1 pieces, empty ones included.
QStringList SplitText(const QString& text, const QString& separator);

// The batch separator.
inline const QString kBatchSeparator = QStringLiteral("@#@");
