#pragma once

#include <QString>
#include <exception>

// An error whose message is the text shown to the user (input checks, platform
// failures). Every error the program raises derives from it.
class EAppError : public std::exception
{
public:
    explicit EAppError(QString message);
    const QString& Message() const
    {
        return m_message;
    }
    const char* what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};

// A database failure: the engine's text as the message, the user-facing line and
// the statement or batch that failed (empty when there is none).
class EDBException : public EAppError
{
public:
    EDBException(const QString& message, QString userMessage, QString statement);
    const QString& UserMessage() const
    {
        return m_userMessage;
    }
    const QString& Statement() const
    {
        return m_statement;
    }

private:
    QString m_userMessage;
    QString m_statement;
};

// Ends an operation without any message, e.g. after No to a delete question.
class EAbort : public std::exception
{
public:
    const char* what() const noexcept override;
};

[[noreturn]] void Abort();
