#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages()
{
    Messages::setPresenter([this](Messages::Kind kind, const QString& caption, const QString& text) {
        m_boxes.append({kind, caption, text});
        return kind == Messages::Kind::Confirm && !m_answers.isEmpty() && m_answers.takeFirst();
    });
}

ScriptedMessages::~ScriptedMessages()
{
    Messages::setPresenter({});
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const Box& box : m_boxes) {
        out << box.text;
    }
    return out;
}
