#include "StartupSequence.h"

#include "base/ExceptionHandler.h"

void StartupSequence::add(const QString& name, std::function<void()> step)
{
    m_steps.push_back({name, std::move(step)});
}

int StartupSequence::run()
{
    int done = 0;
    for (const Step& step : m_steps) {
        bool ok = false;
        Guarded([&] {
            step.body();
            ok = true;
        });
        if (!ok) {
            break;
        }
        ++done;
    }
    return done;
}
