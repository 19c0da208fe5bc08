// A fault inside the flashing library, such as an access violation or another
// compiler's C++ exception, must not end the program without a word: the
// device may have been left erased. Such a fault is told to the user, and the
// process ends; the library is never returned into, unwound through, or
// called again.
#pragma once

#include <windows.h>

// The process's exit status after a fault has been told.
void SetLibraryFaultExitStatus(int exitStatus);

// While one lives, an exception that nothing handles is reported that way.
// Exceptions the library handles itself stay invisible; outside, faults go
// the normal way. The first one starts the thread that tells the user: by
// the time of a fault the heap or a lock may be broken, so everything the
// report needs is ready beforehand, though not at start-up, which it would
// slow for every run.
class LibraryFaultWatch {
public:
    LibraryFaultWatch();
    ~LibraryFaultWatch();
    LibraryFaultWatch(const LibraryFaultWatch&) = delete;
    LibraryFaultWatch& operator=(const LibraryFaultWatch&) = delete;

private:
    LPTOP_LEVEL_EXCEPTION_FILTER previous_;
};
