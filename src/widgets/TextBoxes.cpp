#include "TextBoxes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <limits>

QString MemoText(const QPlainTextEdit* memo)
{
    // The plain-text export would turn no-break spaces into blanks and line
    // separators into line breaks; the raw text keeps both.
    QString text = memo->document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator) {
            c = QLatin1Char('\n');
        }
    }
    return text;
}

void NoLengthLimit(QLineEdit* box)
{
    box->setMaxLength(std::numeric_limits<int>::max());
}
