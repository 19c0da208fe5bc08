#include "library_fault.h"

#include <cstdint>
#include <string_view>

#include "app_title.h"
#include "message_boxes.h"
#include "stale_input.h"
#include "win32_error.h"

namespace {

// Everything the report needs, allocated before any fault.
struct Report {
    HANDLE faulted = nullptr;
    DWORD reporterThread = 0;
    int exitStatus = 0;
    volatile LONG watching = 0;
    volatile LONG claimed = 0;
    DWORD code = 0;
    const void* address = nullptr;
    wchar_t modulePath[MAX_PATH];
    wchar_t text[1024];
};
Report report;

// On the faulting thread: record, signal, and never return. Nothing here
// allocates or takes a lock.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    if (report.watching == 0 || report.faulted == nullptr || GetCurrentThreadId() == report.reporterThread)
        return EXCEPTION_CONTINUE_SEARCH;
    if (InterlockedExchange(&report.claimed, 1) == 0) {
        report.code = exception->ExceptionRecord->ExceptionCode;
        report.address = exception->ExceptionRecord->ExceptionAddress;
        SetEvent(report.faulted);
    }
    for (;;) Sleep(INFINITE);
}

// The module the fault happened in, and where in it; empty when unknown.
std::wstring_view FaultModule(std::uintptr_t& offset) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(report.address, &region, sizeof region) != sizeof region || region.Type != MEM_IMAGE)
        return {};
    const DWORD length =
        GetModuleFileNameW(static_cast<HMODULE>(region.AllocationBase), report.modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    offset = reinterpret_cast<std::uintptr_t>(report.address) -
             reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    const std::wstring_view path(report.modulePath, length);
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// The faulting thread never runs again, so the box has the program to itself.
DWORD WINAPI TellAndEnd(void*) {
    WaitForSingleObject(report.faulted, INFINITE);
    std::uintptr_t offset = 0;
    const std::wstring_view module = FaultModule(offset);
    WriteLibraryFaultText(report.text, report.code, module, offset);
    {
        const IgnoreStaleInput staleInput;
        MessageBoxW(nullptr, report.text, kAppTitle, kLibraryFaultStyle);
    }
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(report.exitStatus));
    return 0;
}

}  // namespace

void SetLibraryFaultExitStatus(int exitStatus) {
    report.exitStatus = exitStatus;
}

LibraryFaultWatch::LibraryFaultWatch() {
    if (report.faulted == nullptr) {
        report.faulted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (report.faulted == nullptr) throw LastWin32Error(L"CreateEventW");
    }
    if (report.reporterThread == 0) {
        HANDLE thread = CreateThread(nullptr, 0, TellAndEnd, nullptr, 0, &report.reporterThread);
        if (thread == nullptr) throw LastWin32Error(L"CreateThread");
        CloseHandle(thread);
    }
    // Set around each call: the library may have replaced the filter meanwhile.
    previous_ = SetUnhandledExceptionFilter(OnUnhandledException);
    InterlockedExchange(&report.watching, 1);
}

LibraryFaultWatch::~LibraryFaultWatch() {
    InterlockedExchange(&report.watching, 0);
    SetUnhandledExceptionFilter(previous_);
}
