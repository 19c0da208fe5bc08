// Around each call into the maker's closed library: the machine stays awake
// while it writes the device, a crash inside it is told and ends the program,
// an ending nothing inside the program can tell is told by a watcher outside
// it, and what the library may have changed in the process is put back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "fault_watch.h"

class LibraryCall {
public:
    // Throws AppError, and the library must not be called, when the crash
    // report cannot be made ready, or when threads the last call started
    // still run after a few seconds (kErrDeviceUnavailable).
    LibraryCall();
    ~LibraryCall();
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

private:
    FaultWatch faultWatch_;
    std::wstring currentDirectory_;
    std::vector<DWORD> threadsBefore_;
    EXECUTION_STATE previousExecutionState_ = 0;
};
