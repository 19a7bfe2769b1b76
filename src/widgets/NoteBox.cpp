#include "NoteBox.h"

#include <QMimeData>

NoteBox::NoteBox(QWidget* parent) : QPlainTextEdit(parent)
{}

bool NoteBox::HasLongUnbrokenRun(QStringView text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        // Blanks and CJK characters are places to break; everything else extends the run.
        if (c.isSpace() || c.unicode() >= 0x2E80) {
            run = 0;
        } else if (++run > kLongestWordWrappedRun) {
            return true;
        }
    }
    return false;
}

void NoteBox::fitWrapping(QStringView text, bool alsoNow)
{
    const bool anywhere = HasLongUnbrokenRun(text);
    if (anywhere) {
        setWordWrapMode(QTextOption::WrapAnywhere);
    } else if (!alsoNow) {
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
}

void NoteBox::showText(const QString& text)
{
    // Chosen before the text goes in, so it is laid out once, the right way.
    fitWrapping(text, false);
    setPlainText(text);
}

void NoteBox::insertFromMimeData(const QMimeData* source)
{
    // A paste only ever widens the choice; the note's next showing narrows it again.
    if (source && source->hasText()) {
        fitWrapping(source->text(), true);
    }
    QPlainTextEdit::insertFromMimeData(source);
}
