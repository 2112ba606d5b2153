#pragma once

#include <exception>
#include <functional>
#include <utility>

// The program's general error display: an error that no handler caught is
// shown with its message, and the program runs on.
void ShowGeneralError(const std::exception& e);
void ShowGeneralError();

// Wraps an event handler so that an escaping error reaches the general error
// display instead of unwinding through the event loop.
template <typename F>
auto Guarded(F&& f)
{
    // Takes no arguments: a signal's arguments are dropped by the connection.
    return [f = std::forward<F>(f)]() {
        try {
            f();
        } catch (const std::exception& e) {
            ShowGeneralError(e);
        } catch (...) {
            ShowGeneralError();
        }
    };
}
