#include "fault_watch.h"

#include <psapi.h>

#include <algorithm>
#include <iterator>
#include <new>

#include "outside_watch.h"
#include "process_state.h"
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
constexpr std::size_t kNameLength = 64;

struct Module {
    std::uintptr_t start, end;
    wchar_t name[kNameLength];
};

// Everything the report needs, in place before any fault.
struct Watch {
    const FaultReport* report;
    HANDLE faulted;
    HANDLE shown;
    DWORD reporterThread;
    DWORD watchedThread;  // the one that arms; a fault on any other is the watched code's
    bool reporterHooked;
    PVOID overflowHandler;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter;
    LONG state;  // read and written atomically
    DWORD code;
    std::uintptr_t offset;
    wchar_t module[kNameLength];
    Module modules[kMaxModules];
    std::size_t moduleCount;
    wchar_t mappedFile[MAX_PATH];  // not on the stack, which may have overflowed
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
        // One short of the buffer: a name that fills it is not terminated.
        const DWORD length =
            GetModuleBaseNameW(process, handles[i], module.name, static_cast<DWORD>(kNameLength - 1));
        if (!GetModuleInformation(process, handles[i], &info, sizeof info) || length == 0) continue;
        module.name[length] = L'\0';
        module.start = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
        module.end = module.start + info.SizeOfImage;
        ++watch->moduleCount;
    }
}

void CopyName(std::wstring_view name) {
    const std::size_t length = std::min(name.size(), kNameLength - 1);
    std::copy_n(name.data(), length, watch->module);
    watch->module[length] = L'\0';
}

// The module at `address`, from the table; one loaded since is found through
// its mapping, which takes no loader lock either.
void NameModuleAt(std::uintptr_t address) {
    for (std::size_t i = 0; i < watch->moduleCount; ++i) {
        const Module& module = watch->modules[i];
        if (module.start <= address && address < module.end) {
            CopyName(module.name);
            watch->offset = address - module.start;
            return;
        }
    }
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) != sizeof region ||
        region.Type != MEM_IMAGE)
        return;
    const DWORD length =
        GetMappedFileNameW(GetCurrentProcess(), region.AllocationBase, watch->mappedFile, MAX_PATH - 1);
    if (length == 0) return;
    const std::wstring_view mapped(watch->mappedFile, length);
    CopyName(mapped.substr(mapped.find_last_of(L'\\') + 1));
    watch->offset = address - reinterpret_cast<std::uintptr_t>(region.AllocationBase);
}

[[noreturn]] void Park() {
    for (;;) Sleep(INFINITE);  // the report ends the process
}

// On a faulting thread: the first one records the fault and hands it to the
// reporter; none of them runs on. Nothing here takes memory or a lock.
[[noreturn]] void ClaimOrStop(const EXCEPTION_RECORD& record) {
    LONG seen = InterlockedCompareExchange(&watch->state, kIdle, kIdle);
    while (seen != kClaimed) {
        const LONG before = InterlockedCompareExchange(&watch->state, kClaimed, seen);
        if (before != seen) {
            seen = before;
            continue;
        }
        watch->code = record.ExceptionCode;
        NameModuleAt(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress));
        OutsideWatch::FaultClaimed(watch->code, watch->module, watch->offset);
        SetEvent(watch->faulted);
        // The box may wait for a lock the fault left held: end without it.
        if (WaitForSingleObject(watch->shown, kReportDeadlineMs) != WAIT_OBJECT_0)
            TerminateProcess(GetCurrentProcess(), watch->report->exitStatus);
        break;
    }
    Park();
}

// While armed, any thread's fault is the watched code's; after that, the
// fault of any thread but the one that armed, since only the watched code
// starts threads that run on.
bool Claimable() {
    if (watch == nullptr) return false;
    const DWORD thread = GetCurrentThreadId();
    if (thread == watch->reporterThread) return false;
    const LONG state = InterlockedCompareExchange(&watch->state, kIdle, kIdle);
    return state != kIdle || (watch->watchedThread != 0 && thread != watch->watchedThread);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    // The report itself failed: end now, and the watcher outside tells.
    if (watch != nullptr && GetCurrentThreadId() == watch->reporterThread)
        TerminateProcess(GetCurrentProcess(), watch->report->exitStatus);
    if (Claimable()) ClaimOrStop(*exception->ExceptionRecord);
    return watch->previousFilter != nullptr ? watch->previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// An overflowed stack may have no room left to search for a handler, so
// that fault is taken before the search.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode != STATUS_STACK_OVERFLOW || !Claimable())
        return EXCEPTION_CONTINUE_SEARCH;
    ClaimOrStop(*exception->ExceptionRecord);
}

// The box is up once its modal loop runs: activation comes before focus and
// painting, either of which may wait on a lock the fault left held, and a
// timer message comes only after the paint.
void CALLBACK SignalShown(HWND box, UINT, UINT_PTR timer, DWORD) {
    KillTimer(box, timer);
    OutsideWatch::FaultTold();
    SetEvent(watch->shown);
}

LRESULT CALLBACK WatchForTheBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) SetTimer(reinterpret_cast<HWND>(wParam), 1, USER_TIMER_MINIMUM, SignalShown);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI TellAndEnd(void* ready) {
    RestoreFloatingPointControl();  // ours, whatever the watched code set
    // Hooked now, while nothing is broken: the box says when it is up.
    watch->reporterHooked =
        SetWindowsHookExW(WH_CBT, WatchForTheBox, nullptr, GetCurrentThreadId()) != nullptr;
    SetEvent(static_cast<HANDLE>(ready));
    if (!watch->reporterHooked) return 0;

    WaitForSingleObject(watch->faulted, INFINITE);
    watch->report->write(std::span<wchar_t>(watch->text), watch->code, watch->module, watch->offset);
    {
        const IgnoreStaleInput staleInput;
        // Answered is told too, should the answer come before the timer.
        if (MessageBoxW(nullptr, watch->text, watch->report->title,
                        MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST) != 0)
            OutsideWatch::FaultTold();
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
        if (watch->overflowHandler == nullptr) throw std::bad_alloc();
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
    if (InterlockedCompareExchange(&watch->state, kIdle, kIdle) == kClaimed) Park();
    RecordModules();
    ULONG stack = kStackForTheReport;
    SetThreadStackGuarantee(&stack);
    // Each time: the watched code may have put in a filter of its own meanwhile.
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(OnUnhandledException);
    if (watch->watchedThread == 0) watch->previousFilter = previous;
    watch->watchedThread = GetCurrentThreadId();
    InterlockedExchange(&watch->state, kWatching);
    armed_ = true;
}

void FaultWatch::Disarm() noexcept {
    if (!armed_) return;
    armed_ = false;
    if (InterlockedCompareExchange(&watch->state, kIdle, kWatching) == kClaimed) Park();
    // Kept for good: threads the watched code started may fault after it returned.
    SetUnhandledExceptionFilter(OnUnhandledException);
}
