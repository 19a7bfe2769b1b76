#pragma once

#include <QPlainTextEdit>

// The note box. Wrapping at word boundaries searches a run with no place to break
// to its end again for every line it lays out, so a note holding a long such run
// (a pasted blob, a long line of digits) froze the box for seconds per show, and
// quadratically longer with the run. Such a note wraps at any character instead.
class NoteBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NoteBox(QWidget* parent = nullptr);

    // Shows the text, wrapped as its longest unbroken run allows.
    void showText(const QString& text);

    // Longer runs without a blank or a Chinese character wrap at any character.
    static constexpr qsizetype kLongestWordWrappedRun = 2000;
    static bool HasLongUnbrokenRun(QStringView text);

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void fitWrapping(QStringView text, bool alsoNow);
};
