#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// The steps a window runs when first shown. A step that fails is reported by the
// error handler and the later steps are skipped; what was loaded stays loaded.
class QObject;

class StartupSequence
{
public:
    void add(const QString& name, std::function<void()> step);
    // Returns how many steps completed.
    int run();
    // Runs the steps one event apart, so that the window draws what each one filled
    // before the next begins; `finished` is told how many completed. Stops silently
    // when `context` goes.
    static void RunSpaced(StartupSequence steps, QObject* context, std::function<void(int)> finished);
    int size() const
    {
        return static_cast<int>(m_steps.size());
    }

private:
    struct Spaced;
    static void runNext(const std::shared_ptr<Spaced>& run);
    bool runStep(std::size_t index);

    struct Step
    {
        QString name;
        std::function<void()> body;
    };
    std::vector<Step> m_steps;
};
