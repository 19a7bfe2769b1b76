#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

// Overwrites memory that held a password before it is released. A buffer that is
// still shared with another copy is only let go: overwriting it would change the
// other copy, and that copy wipes it when it goes.
void WipeBytes(void* data, std::size_t size);
void Wipe(QByteArray& bytes);
void Wipe(QString& text);
