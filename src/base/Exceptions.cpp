#include "Exceptions.h"

EAppError::EAppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{}

const char* EAppError::what() const noexcept
{
    return m_utf8.constData();
}

EDBException::EDBException(const QString& message, QString userMessage, QString statement)
    : EAppError(message), m_userMessage(std::move(userMessage)), m_statement(std::move(statement))
{}

const char* EAbort::what() const noexcept
{
    return "operation cancelled";
}

void Abort()
{
    throw EAbort();
}
