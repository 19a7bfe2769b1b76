#pragma once

#include <QDateTime>
#include <QString>

// A large data set for the benchmarks, written into a fresh database: 10,000 note
// groups up to 50 levels deep, a 1 MB root note and a short note in every tenth
// group, 10,000 reminders, 100,000 web addresses in 1,000 groups. The same every
// time except for the reminders' dates, which are placed around `now` so that
// none of them falls due in the `quietMinutes` after it (an idle measurement
// started then sees no alert). Raises EngineError.
struct BigDataShape
{
    int noteGroups = 10000;
    int depth = 50;
    qsizetype rootNoteBytes = 1 << 20;
    int reminders = 10000;
    int urlGroups = 1000;
    int urls = 100000;
    int quietMinutes = 60;
};

void MakeBigDatabase(const QString& path, const QDateTime& now, const BigDataShape& shape = {});

// The text of a note of about `bytes` UTF-8 bytes: lines of mixed Chinese and Latin.
QString BigNoteText(qsizetype bytes);
