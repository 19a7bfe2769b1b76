#pragma once

#include <QString>

// The login settings `vh-churn rekey` cycles through, and so the keys the file
// has in turn: off, then two passwords (one with a quote and Chinese characters).
namespace RekeyCycle {
struct Setting
{
    bool on;
    QString password;
};
inline Setting at(int step)
{
    switch (((step % 3) + 3) % 3) {
    case 1:
        return {true, QStringLiteral("第一 pa'ss")};
    case 2:
        return {true, QStringLiteral(" second")};
    default:
        return {false, QString()};
    }
}
} // namespace RekeyCycle
