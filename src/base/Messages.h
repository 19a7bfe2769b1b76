#pragma once

#include <QString>
#include <functional>

// The four message boxes every part of the program uses. They all pass through
// one presenter, which a test replaces to answer questions and record texts.
void ShowInfo(const QString& text);
bool AskConfirm(const QString& text);
void ShowError(const QString& text);
void ShowErrorDetail(const QString& text, const QString& detail, const QString& statement = QString());

namespace Messages {

enum class Kind
{
    Info,
    Confirm,
    Error
};

// Shows one box and returns true only for Yes (meaningless for Info and Error).
using Presenter = std::function<bool(Kind kind, const QString& caption, const QString& text)>;

// An empty presenter restores the real message boxes.
void setPresenter(Presenter presenter);

} // namespace Messages
