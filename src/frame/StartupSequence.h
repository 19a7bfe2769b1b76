#pragma once

#include <QString>
#include <functional>
#include <vector>

// The steps a window runs when first shown. A step that fails is reported by the
// error handler and the later steps are skipped; what was loaded stays loaded.
class StartupSequence
{
public:
    void add(const QString& name, std::function<void()> step);
    // Returns how many steps completed.
    int run();
    int size() const
    {
        return static_cast<int>(m_steps.size());
    }

private:
    struct Step
    {
        QString name;
        std::function<void()> body;
    };
    std::vector<Step> m_steps;
};
