#include "library_call.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>

#include "app_error.h"
#include "application.h"
#include "exit_status.h"
#include "library_fault_text.h"
#include "process_state.h"
#include "scoped_handle.h"
#include "update_watcher.h"

namespace {

const FaultReport kLibraryFault = {kApplicationTitle, WriteLibraryFaultText, kExitLibraryFault};

// How long a new attempt waits for the threads the last one started.
constexpr DWORD kLastCallThreadsPatienceMs = 5000;

// Threads the last call started that may still work on the device, open so
// that their ids cannot pass to others.
std::vector<HANDLE> threadsOfLastCall;

std::vector<DWORD> ThreadsOfThisProcess() {
    std::vector<DWORD> threads;
    const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD process = GetCurrentProcessId();
    if (snapshot.valid())
        for (BOOL more = Thread32First(snapshot.get(), &entry); more;
             more = Thread32Next(snapshot.get(), &entry))
            if (entry.th32OwnerProcessID == process) threads.push_back(entry.th32ThreadID);
    std::sort(threads.begin(), threads.end());
    return threads;
}

// Windows's own worker pools start their threads in ntdll; those come and go
// as they please and are no work of the library's.
bool StartedInNtdll(HANDLE thread) {
    void* start = nullptr;
    if (NtQueryInformationThread(thread, static_cast<THREADINFOCLASS>(9),  // ThreadQuerySetWin32StartAddress
                                 &start, sizeof start, nullptr) != 0)
        return false;
    HMODULE ntdll = nullptr;
    return GetModuleHandleExW(
               GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
               static_cast<const wchar_t*>(start), &ntdll) &&
           ntdll == GetModuleHandleW(L"ntdll.dll");
}

void KeepThreadsStartedSince(const std::vector<DWORD>& before) {
    for (DWORD id : ThreadsOfThisProcess()) {
        if (std::binary_search(before.begin(), before.end(), id)) continue;
        HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
        if (thread == nullptr) continue;  // ended already
        if (StartedInNtdll(thread))
            CloseHandle(thread);
        else
            threadsOfLastCall.push_back(thread);
    }
}

bool ThreadsOfLastCallEnded() {
    const ULONGLONG deadline = GetTickCount64() + kLastCallThreadsPatienceMs;
    while (!threadsOfLastCall.empty()) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(threadsOfLastCall.back(), left) != WAIT_OBJECT_0) return false;
        CloseHandle(threadsOfLastCall.back());
        threadsOfLastCall.pop_back();
    }
    return true;
}

}  // namespace

LibraryCall::LibraryCall() : faultWatch_(kLibraryFault), currentDirectory_(CurrentDirectory()) {
    // The library is not re-entrant, and a thread of its last call may still be at the device.
    if (!ThreadsOfLastCallEnded())
        throw AppError{kErrDeviceUnavailable, L"The flashing library is still busy with the last attempt"};
    WatchAttempt();
    // A laptop that suspends mid-write cuts the device off half-programmed.
    previousExecutionState_ = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    // Shell extensions in the open-file dialog may have changed them too.
    RestoreProcessState();
    threadsBefore_ = ThreadsOfThisProcess();
    faultWatch_.Arm();
}

LibraryCall::~LibraryCall() {
    faultWatch_.Disarm();  // first: nothing of ours runs under the watch
    try {
        KeepThreadsStartedSince(threadsBefore_);
    } catch (const std::bad_alloc&) {
        // Out of memory: the next attempt does not wait for them.
    }
    RestoreProcessState();
    if (!currentDirectory_.empty()) SetCurrentDirectoryW(currentDirectory_.c_str());
    SetThreadExecutionState(previousExecutionState_ != 0 ? previousExecutionState_ : ES_CONTINUOUS);
}
