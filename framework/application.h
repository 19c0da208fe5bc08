// The program's run-time services: where it lives, its message loop, and what
// happens to an error nobody handled.
#pragma once

#include <exception>
#include <string>

#include "app_error.h"

// The exit status after an unhandled run-time error.
constexpr int kExitUnhandledError = 1;

// The executable's directory: no trailing separator, except at a drive root.
std::wstring AppPath();

// Runs until the last window is gone (then 0) or an unhandled error; returns the exit status.
int RunMessageLoop();

// Tells the user and ends the message loop with kExitUnhandledError. Takes the
// exception itself: turning it into a message may fail too, out of memory.
void ReportUnhandledError(std::exception_ptr error) noexcept;

// Runs `body` and turns any exception into an unhandled run-time error: used
// where an exception must not cross into Windows (window procedures).
template <class Body>
void GuardAgainstUnhandledErrors(Body&& body) {
    try {
        body();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }
}
