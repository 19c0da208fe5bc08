// Around each call into the maker's closed library: the machine stays awake
// while it writes the device, a crash inside it is told and ends the program,
// and what it may have changed in the process is put back once it returns.
#pragma once

#include <windows.h>

#include <string>

#include "fault_watch.h"

// The library sees the process as it was before either library loaded: its
// state is taken in wWinMain before the first load, and put back after the
// loads and after each call.
void SaveProcessStateBeforeLibraries() noexcept;
void RestoreProcessStateBeforeLibraries() noexcept;

class LibraryCall {
public:
    // Throws AppError when the crash report cannot be made ready: the library
    // must not be called then.
    LibraryCall();
    ~LibraryCall();
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

private:
    FaultWatch faultWatch_;
    std::wstring currentDirectory_;
    EXECUTION_STATE previousExecutionState_ = 0;
};
