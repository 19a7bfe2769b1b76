#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The engine's own text for a failure, before the caller wraps it in the
// user-facing EDBException.
class EngineError : public std::exception
{
public:
    explicit EngineError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8())
    {}
    const QString& text() const
    {
        return m_text;
    }
    const char* what() const noexcept override
    {
        return m_utf8.constData();
    }

private:
    QString m_text;
    QByteArray m_utf8;
};
