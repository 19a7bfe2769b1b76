#pragma once

#include <QString>

// A text made only of blanks and control characters (line breaks, tabs) counts
// as empty wherever the program asks for a name, a text or a statement.
inline bool IsBlankText(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() > 32) {
            return false;
        }
    }
    return true;
}
