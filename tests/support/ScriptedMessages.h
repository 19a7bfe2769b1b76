#pragma once

#include "base/Messages.h"

#include <QList>
#include <QString>

// Stands in for the message boxes: records every box and answers questions from
// a script (No when the script is empty, as the default button would).
class ScriptedMessages
{
public:
    struct Box
    {
        Messages::Kind kind;
        QString caption;
        QString text;
    };

    ScriptedMessages();
    ~ScriptedMessages();

    void answer(bool yes)
    {
        m_answers.append(yes);
    }
    const QList<Box>& boxes() const
    {
        return m_boxes;
    }
    void clear()
    {
        m_boxes.clear();
    }
    // The texts of all boxes, for compact comparisons.
    QStringList texts() const;

private:
    QList<Box> m_boxes;
    QList<bool> m_answers;
};
