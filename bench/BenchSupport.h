#pragma once

#include <QTime>

// Reminders spread over the day, every tenth daily, none of them due at `free`.
void FillReminders(int count, const QTime& free = QTime(12, 34, 57));
