// Once started, a fault that nothing handles, on any thread, ends the process
// with the program's own report instead of the system's. The fault is the
// watched code's (a library of another maker) when it happens on the calling
// thread during a call, on a thread one of its calls started, or inside one
// of its modules or one loaded during a call; any other is the program's own.
// What faulted is never returned into, unwound through or called again, and
// nothing of ours runs on: the calling thread is stopped where it is, so its
// windows take no input and no code of ours ends the process another way. The report
// cannot hang: everything it needs is made ready beforehand, since by the time
// of a fault the heap or the loader may be locked, and if its box is not up
// within 15 seconds the process ends all the same.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "outside_watch.h"
#include "scoped_handle.h"

struct FaultReport {
    WriteFaultFn write;  // takes no memory and no lock
    UINT exitStatus;     // once the box is answered, or its time is up
};

struct FaultReports {
    const wchar_t* title;
    FaultReport watchedCode;
    FaultReport program;
    FaultReport programDuringCall;  // the watched code's call cut short by it
};

namespace FaultWatch {

// At start-up: 64-bit Windows 7 may swallow an exception that crosses a
// kernel-to-user callback, as a window procedure is, before any filter sees
// it. Where Windows lets a process say so, it does not.
void LetCallbackExceptionsThrough() noexcept;

// On the thread that calls the watched code, before its first call; later
// calls do nothing. `watchedModules` are the watched code's, loaded so far.
// Throws AppError when the report cannot be made ready, and then the watched
// code must not run.
void Start(const FaultReports& reports, std::span<const HMODULE> watchedModules);
// The last thing before each call into the watched code...
void CallStarting() noexcept;
// ...and the first thing after it. The threads the call started, Windows's
// own pool threads aside, and the modules it loaded stay the watched code's;
// the threads are returned, open, for waiting on. When a fault was claimed
// meanwhile, it never returns.
std::vector<ScopedHandle> CallReturned() noexcept;
// Never returns once a fault has been claimed: for a thread of ours about to
// end the process another way.
void StopIfClaimed() noexcept;

}  // namespace FaultWatch
