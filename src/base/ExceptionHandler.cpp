#include "ExceptionHandler.h"

#include "Exceptions.h"
#include "Messages.h"

TZentException ExceptionHandler;

void TZentException::HandleException(std::exception_ptr error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& e) {
            ReportException(e);
        } catch (...) {
            LastMessage = QStringLiteral("未知错误");
            ShowError(LastMessage);
        }
    } catch (...) {
        // Reporting must never take the program down.
    }
}

void TZentException::ReportException(const std::exception& error)
{
    const auto* app = dynamic_cast<const EAppError*>(&error);
    LastMessage = app ? app->Message() : QString::fromUtf8(error.what());
    LastUserMessage.clear();
    LastStatement.clear();
    if (const auto* db = dynamic_cast<const EDBException*>(&error)) {
        LastUserMessage = db->UserMessage();
        LastStatement = db->Statement();
        ShowErrorDetail(LastUserMessage, LastMessage, LastStatement);
        return;
    }
    ShowError(LastMessage);
}
