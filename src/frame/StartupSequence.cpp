#include "StartupSequence.h"

#include "base/ExceptionHandler.h"

#include <QPointer>
#include <QTimer>

void StartupSequence::add(const QString& name, std::function<void()> step)
{
    m_steps.push_back({name, std::move(step)});
}

bool StartupSequence::runStep(std::size_t index)
{
    bool ok = false;
    Guarded([&] {
        m_steps[index].body();
        ok = true;
    });
    return ok;
}

int StartupSequence::run()
{
    int done = 0;
    while (done < size() && runStep(static_cast<std::size_t>(done))) {
        ++done;
    }
    return done;
}

struct StartupSequence::Spaced
{
    StartupSequence steps;
    QPointer<QObject> context;
    std::function<void(int)> finished;
    int done = 0;
};

void StartupSequence::RunSpaced(StartupSequence steps, QObject* context, std::function<void(int)> finished)
{
    runNext(std::make_shared<Spaced>(Spaced{std::move(steps), context, std::move(finished)}));
}

void StartupSequence::runNext(const std::shared_ptr<Spaced>& run)
{
    if (!run->context) {
        return;
    }
    if (run->done == run->steps.size() || !run->steps.runStep(static_cast<std::size_t>(run->done))) {
        run->finished(run->done);
        return;
    }
    ++run->done;
    QTimer::singleShot(0, run->context, [run] { runNext(run); });
}
