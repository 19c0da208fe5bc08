// Process-wide settings that code of another maker may change and not put back.
// Taken once, before any such code loads, and put back after it has run.
#pragma once

#include <string>

// Call first thing: also keeps the current directory out of the DLL search.
void SaveProcessState() noexcept;
// The DLL search as saved, and the floating-point settings with an empty x87 stack.
void RestoreProcessState() noexcept;
// The same for code built with another maker's compiler, right before it runs:
// the floating-point settings it was written for.
void ProcessStateForForeignCode() noexcept;
// The floating-point settings alone, for a thread of our own.
void RestoreFloatingPointControl() noexcept;

std::wstring CurrentDirectory();
