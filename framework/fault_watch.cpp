#include "fault_watch.h"

#include <psapi.h>

#include <algorithm>
#include <iterator>

#include "scoped_handle.h"
#include "stale_input.h"
#include "win32_error.h"

namespace {

constexpr LONG kIdle = 0;
constexpr LONG kWatching = 1;
constexpr LONG kClaimed = 2;  // for good: the process ends with the report

constexpr DWORD kReportDeadlineMs = 15000;
constexpr ULONG kStackForTheReport = 64 * 1024;

constexpr std::size_t kMaxModules = 256;

struct Module {
    std::uintptr_t start, end;
    wchar_t name[64];
};

// Everything the report needs, in place before any fault.
struct Watch {
    const FaultReport* report;
    HANDLE faulted;
    HANDLE shown;
    DWORD reporterThread;
    bool reporterHooked;
    PVOID overflowHandler;
    LONG state;  // read and written atomically
    DWORD code;
    std::uintptr_t address;
    Module modules[kMaxModules];
    std::size_t moduleCount;
    wchar_t text[1024];
};
Watch* watch = nullptr;  // made with the first FaultWatch: most runs never need it

// Where every module is, taken before the watched code runs: asking Windows
// at fault time would take the loader lock.
void RecordModules() {
    HANDLE process = GetCurrentProcess();
    HMODULE handles[kMaxModules];
    DWORD needed = 0;
    watch->moduleCount = 0;
    if (!EnumProcessModules(process, handles, sizeof handles, &needed)) return;
    const std::size_t count = std::min<std::size_t>(needed / sizeof(HMODULE), std::size(handles));
    for (std::size_t i = 0; i < count; ++i) {
        Module& module = watch->modules[watch->moduleCount];
        MODULEINFO info;
        if (!GetModuleInformation(process, handles[i], &info, sizeof info) ||
            GetModuleBaseNameW(process, handles[i], module.name,
                               static_cast<DWORD>(std::size(module.name))) == 0)
            continue;
        module.start = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
        module.end = module.start + info.SizeOfImage;
        ++watch->moduleCount;
    }
}

const Module* ModuleAt(std::uintptr_t address) {
    for (std::size_t i = 0; i < watch->moduleCount; ++i)
        if (watch->modules[i].start <= address && address < watch->modules[i].end) return &watch->modules[i];
    return nullptr;
}

// On a faulting thread: the first one records the fault and hands it to the
// reporter; none of them runs on. Nothing here takes memory or a lock.
[[noreturn]] void ClaimOrStop(const EXCEPTION_RECORD& record) {
    if (InterlockedCompareExchange(&watch->state, kClaimed, kWatching) == kWatching) {
        watch->code = record.ExceptionCode;
        watch->address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
        SetEvent(watch->faulted);
        // The box may wait for a lock the fault left held: end without it.
        if (WaitForSingleObject(watch->shown, kReportDeadlineMs) != WAIT_OBJECT_0)
            TerminateProcess(GetCurrentProcess(), watch->report->exitStatus);
    }
    for (;;) Sleep(INFINITE);
}

bool Watched() {
    return watch != nullptr && InterlockedCompareExchange(&watch->state, kIdle, kIdle) != kIdle &&
           GetCurrentThreadId() != watch->reporterThread;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    if (!Watched()) return EXCEPTION_CONTINUE_SEARCH;
    ClaimOrStop(*exception->ExceptionRecord);
}

// An overflowed stack may have no room left to search for a handler, so
// that fault is taken before the search.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode != STATUS_STACK_OVERFLOW || !Watched())
        return EXCEPTION_CONTINUE_SEARCH;
    ClaimOrStop(*exception->ExceptionRecord);
}

LRESULT CALLBACK SignalWhenShown(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) SetEvent(watch->shown);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI TellAndEnd(void* ready) {
    // Hooked now, while nothing is broken: the box says when it is up.
    watch->reporterHooked =
        SetWindowsHookExW(WH_CBT, SignalWhenShown, nullptr, GetCurrentThreadId()) != nullptr;
    SetEvent(static_cast<HANDLE>(ready));
    if (!watch->reporterHooked) return 0;

    WaitForSingleObject(watch->faulted, INFINITE);
    const Module* module = ModuleAt(watch->address);
    watch->report->write(std::span<wchar_t>(watch->text), watch->code, module != nullptr ? module->name : L"",
                         module != nullptr ? watch->address - module->start : 0);
    {
        const IgnoreStaleInput staleInput;
        MessageBoxW(nullptr, watch->text, watch->report->title,
                    MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST);
    }
    TerminateProcess(GetCurrentProcess(), watch->report->exitStatus);
    return 0;
}

HANDLE NewEvent() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) throw LastWin32Error(L"CreateEventW");
    return event;
}

}  // namespace

FaultWatch::FaultWatch(const FaultReport& report) {
    if (watch == nullptr) watch = new Watch();
    watch->report = &report;
    if (watch->faulted == nullptr) watch->faulted = NewEvent();
    if (watch->shown == nullptr) watch->shown = NewEvent();
    if (watch->overflowHandler == nullptr) {
        watch->overflowHandler = AddVectoredExceptionHandler(1, OnStackOverflow);
        if (watch->overflowHandler == nullptr) throw AppError{kErrOutOfMemory, L"Out of memory"};
    }
    if (watch->reporterThread == 0) {
        const ScopedHandle ready(NewEvent());
        DWORD id = 0;
        const ScopedHandle thread(CreateThread(nullptr, 0, TellAndEnd, ready.get(), 0, &id));
        if (!thread.valid()) throw LastWin32Error(L"CreateThread");
        WaitForSingleObject(ready.get(), INFINITE);
        if (!watch->reporterHooked) throw AppError{kErrInternal, L"The crash report cannot be made ready"};
        watch->reporterThread = id;
    }
}

FaultWatch::~FaultWatch() {
    Disarm();
}

void FaultWatch::Arm() noexcept {
    RecordModules();
    ULONG stack = kStackForTheReport;
    SetThreadStackGuarantee(&stack);
    // Each time: the watched code may have put in a filter of its own meanwhile.
    previous_ = SetUnhandledExceptionFilter(OnUnhandledException);
    InterlockedExchange(&watch->state, kWatching);
    armed_ = true;
}

void FaultWatch::Disarm() noexcept {
    if (!armed_) return;
    armed_ = false;
    if (InterlockedCompareExchange(&watch->state, kIdle, kWatching) == kClaimed)
        for (;;) Sleep(INFINITE);  // the report ends the process
    SetUnhandledExceptionFilter(previous_);
}
