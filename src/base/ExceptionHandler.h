#pragma once

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

// The program's one error handler: shows an error in the program's words, logs a
// failed statement, and stays silent for a cancellation. It never raises.
class TZentException
{
public:
    void HandleException(std::exception_ptr error) noexcept;
    void ReportException(const std::exception& error);

    // The texts of the last error reported.
    QString LastMessage;
    QString LastUserMessage;
    QString LastStatement;
};

extern TZentException ExceptionHandler;

// Runs the body of an entry point from Qt (slot, timer tick, event handler,
// start-up step) so that no exception crosses a Qt frame.
template <class F> void Guarded(F&& body) noexcept
{
    try {
        std::forward<F>(body)();
    } catch (...) {
        ExceptionHandler.HandleException(std::current_exception());
    }
}

// Wraps a handler for connect(): the signal's arguments are passed on when the
// handler takes them, dropped when it takes none.
template <class F> auto guard(F handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable {
        Guarded([&] {
            if constexpr (std::is_invocable_v<F&, decltype(args)...>) {
                handler(std::forward<decltype(args)>(args)...);
            } else {
                handler();
            }
        });
    };
}
