#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;

// Ctrl+D types the current date and Ctrl+T the date and time at the caret,
// replacing any selection (Shift or Alt may be held too). The inserted text is
// an ordinary change of the box's text.
namespace DateKeys {

enum class Midnight
{
    KeepTime,
    DropTime // at exactly midnight Ctrl+T types the date alone
};

void install(QLineEdit* edit, Midnight midnight = Midnight::KeepTime);
void install(QPlainTextEdit* edit, Midnight midnight = Midnight::KeepTime);

QString dateText();
QString dateTimeText(Midnight midnight);

} // namespace DateKeys
