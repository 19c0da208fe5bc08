// The program's run-time services: where it lives, its message loop, and what
// happens to an error nobody handled.
#pragma once

#include <exception>
#include <string>

#include "app_error.h"

// The title of the program's message boxes. Each program that uses this
// framework defines it.
extern const wchar_t kApplicationTitle[];

// The executable's full path.
std::wstring AppExecutable();
// The executable's directory: no trailing separator, except at a drive root.
std::wstring AppPath();

enum class RunEnd { LastWindowClosed, UnhandledError };

// Runs until the last window is gone or an unhandled error ends the program.
RunEnd RunMessageLoop();

// Tells the user and ends the message loop with RunEnd::UnhandledError. Takes
// the exception itself: turning it into a message may fail too, out of memory.
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
