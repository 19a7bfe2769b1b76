#pragma once

#include <QDateTime>

// The program's one clock: the scheduler, the SQL functions, the log stamps and
// the editors all ask it, so a test can set the time for all of them at once.
namespace Clock {

QDateTime now();

// Tests only: freeze the clock at a moment, move it, or hand it back to the system.
void setFixed(const QDateTime& moment);
void advance(qint64 seconds);
void reset();

} // namespace Clock
