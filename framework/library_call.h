// Around each call into the maker's closed library: the machine stays awake
// while it writes the device, a fault that escapes it is told to the user,
// and what it may have changed in the process is put back afterwards (the
// floating-point control words, the current directory, the DLL search path).
// The library itself sees the process exactly as it was.
#pragma once

#include <cstdint>
#include <string>

#include "library_fault.h"

class LibraryCall {
public:
    LibraryCall();
    ~LibraryCall();
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

private:
    EXECUTION_STATE previousExecutionState_ = 0;
    std::uint16_t x87ControlWord_;
    std::uint32_t mxcsr_;
    std::wstring currentDirectory_;
    LibraryFaultWatch faultWatch_;  // last: disarmed first, right after the call
};
