#include "Clock.h"

#include <optional>

namespace {
std::optional<QDateTime> g_fixed;
}

namespace Clock {

QDateTime now()
{
    return g_fixed ? *g_fixed : QDateTime::currentDateTime();
}

void setFixed(const QDateTime& moment)
{
    g_fixed = moment;
}

void advance(qint64 seconds)
{
    g_fixed = now().addSecs(seconds);
}

void reset()
{
    g_fixed.reset();
}

} // namespace Clock
