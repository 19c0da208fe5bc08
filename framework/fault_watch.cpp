#include "fault_watch.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <new>

#include "exported_function.h"
#include "floating_point_control.h"
#include "stale_input.h"
#include "win32_error.h"

namespace {

constexpr LONG kIdle = 0;
constexpr LONG kCalling = 1;
constexpr LONG kClaimed = 2;  // for good: the process ends with the report

constexpr DWORD kReportDeadlineMs = 15000;
constexpr ULONG kStackForTheReport = 64 * 1024;

constexpr std::size_t kMaxModules = 512;
constexpr std::size_t kMaxThreads = 512;
constexpr std::size_t kNameLength = 64;

struct Module {
    std::uintptr_t start, end;
    bool watched;
    wchar_t name[kNameLength];
};

struct WatchedThread {
    std::atomic<DWORD> id;  // 0 once it has ended and its handle is closed
    HANDLE handle;          // open, so that its id cannot pass to another thread
};

// Everything the report needs, in place before any fault. Faulting threads
// read the lists while the calling thread adds to them: an entry is written
// before the count that covers it (Start marks the watched modules before any
// filter of ours can read them).
struct Watch {
    const FaultReports* reports;
    HANDLE faulted;
    HANDLE shown;
    DWORD reporterThread;
    DWORD callingThread;
    HANDLE callingThreadHandle;  // to stop it once a fault is claimed
    bool reporterHooked;
    PVOID overflowHandler;
    std::atomic<LONG> state;
    FaultOwner owner;
    DWORD code;
    std::uintptr_t offset;
    wchar_t module[kNameLength];
    Module modules[kMaxModules];  // newest last; never removed
    std::atomic<std::size_t> moduleCount;
    DWORD threadsBefore[kMaxThreads];  // sorted; read only during a call
    std::size_t threadsBeforeCount;
    bool threadsBeforeComplete;  // else no thread is known to be new
    WatchedThread threads[kMaxThreads];
    std::atomic<std::size_t> threadCount;
    wchar_t mappedFile[MAX_PATH];  // not on the stack, which may have overflowed
    wchar_t text[1024];
};
Watch* watch = nullptr;  // made at the first Start: most runs never need it

const FaultReport& ClaimedReport() {
    switch (watch->owner) {
        case FaultOwner::WatchedCode: return watch->reports->watchedCode;
        case FaultOwner::ProgramDuringCall: return watch->reports->programDuringCall;
        case FaultOwner::Program: break;
    }
    return watch->reports->program;
}

// The newest module that holds `address`: a module unloaded since may have left its place to another.
const Module* ModuleAt(std::uintptr_t address) {
    for (std::size_t i = watch->moduleCount.load(); i-- > 0;) {
        const Module& module = watch->modules[i];
        if (module.start <= address && address < module.end) return &module;
    }
    return nullptr;
}

// Adds the modules loaded since the last time. Taken before any fault:
// asking Windows at fault time would take the loader lock.
void RecordModules(bool newOnesWatched) {
    HANDLE process = GetCurrentProcess();
    HMODULE handles[kMaxModules];
    DWORD needed = 0;
    if (!EnumProcessModules(process, handles, sizeof handles, &needed)) return;
    const std::size_t count = std::min<std::size_t>(needed / sizeof(HMODULE), std::size(handles));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t next = watch->moduleCount.load();
        if (next == kMaxModules) return;
        Module& module = watch->modules[next];
        MODULEINFO info;
        // One short of the buffer: a name that fills it is not terminated.
        const DWORD length =
            GetModuleBaseNameW(process, handles[i], module.name, static_cast<DWORD>(kNameLength - 1));
        if (!GetModuleInformation(process, handles[i], &info, sizeof info) || length == 0) continue;
        module.name[length] = L'\0';
        module.start = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
        module.end = module.start + info.SizeOfImage;
        const Module* known = ModuleAt(module.start);
        if (known != nullptr && known->start == module.start && known->end == module.end &&
            std::wstring_view(known->name) == module.name)
            continue;
        module.watched = newOnesWatched;
        watch->moduleCount.store(next + 1);
    }
}

void CopyName(std::wstring_view name) {
    const std::size_t length = std::min(name.size(), kNameLength - 1);
    std::copy_n(name.data(), length, watch->module);
    watch->module[length] = L'\0';
}

// Where the executable image holding `address` is mapped; null where none is.
void* ImageAt(std::uintptr_t address) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) != sizeof region ||
        region.Type != MEM_IMAGE)
        return nullptr;
    return region.AllocationBase;
}

// The module at `address`, from the table; one loaded since is found through
// its mapping, which takes no loader lock either.
void NameModuleAt(std::uintptr_t address) {
    if (const Module* module = ModuleAt(address)) {
        CopyName(module->name);
        watch->offset = address - module->start;
        return;
    }
    void* const image = ImageAt(address);
    if (image == nullptr) return;
    const DWORD length = GetMappedFileNameW(GetCurrentProcess(), image, watch->mappedFile, MAX_PATH - 1);
    if (length == 0) return;
    const std::wstring_view mapped(watch->mappedFile, length);
    CopyName(mapped.substr(mapped.find_last_of(L'\\') + 1));
    watch->offset = address - reinterpret_cast<std::uintptr_t>(image);
}

bool IsWatchedThread(DWORD thread) {
    const std::size_t count = watch->threadCount.load();
    for (std::size_t i = 0; i < count; ++i)
        if (watch->threads[i].id.load() == thread) return true;
    return false;
}

FaultOwner OwnerOf(const EXCEPTION_RECORD& record) {
    const DWORD thread = GetCurrentThreadId();
    const bool calling = watch->state.load() == kCalling;
    const DWORD* before = watch->threadsBefore;
    // During a call, every thread it may have started is new, Windows's pool threads included.
    if (calling && (thread == watch->callingThread ||
                    !std::binary_search(before, before + watch->threadsBeforeCount, thread)))
        return FaultOwner::WatchedCode;
    if (IsWatchedThread(thread)) return FaultOwner::WatchedCode;
    const auto address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    const Module* module = ModuleAt(address);
    // A module not in the table was loaded since the call started.
    if (module != nullptr ? module->watched : calling && ImageAt(address) != nullptr)
        return FaultOwner::WatchedCode;
    return calling ? FaultOwner::ProgramDuringCall : FaultOwner::Program;
}

[[noreturn]] void Park() {
    for (;;) Sleep(INFINITE);  // the report ends the process
}

// On a faulting thread: the first one records the fault, stops the calling
// thread and hands the fault to the reporter; none of them runs on. Nothing
// here takes memory or a lock.
[[noreturn]] void ClaimOrStop(const EXCEPTION_RECORD& record) {
    const FaultOwner owner = OwnerOf(record);
    LONG seen = watch->state.load();
    while (seen != kClaimed) {
        if (!watch->state.compare_exchange_weak(seen, kClaimed)) continue;
        // Its windows then take no input, and it cannot end the process or
        // return into what faulted.
        if (GetCurrentThreadId() != watch->callingThread) SuspendThread(watch->callingThreadHandle);
        watch->owner = owner;
        watch->code = record.ExceptionCode;
        NameModuleAt(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress));
        OutsideWatch::FaultClaimed(owner, watch->code, watch->module, watch->offset);
        SetEvent(watch->faulted);
        // The box may wait for a lock the fault left held: end without it.
        if (WaitForSingleObject(watch->shown, kReportDeadlineMs) != WAIT_OBJECT_0)
            TerminateProcess(GetCurrentProcess(), ClaimedReport().exitStatus);
        break;
    }
    Park();
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    // The report itself failed: end now, and the watcher outside tells.
    if (GetCurrentThreadId() == watch->reporterThread)
        TerminateProcess(GetCurrentProcess(), ClaimedReport().exitStatus);
    ClaimOrStop(*exception->ExceptionRecord);
}

// An overflowed stack may have no room left to search for a handler, so
// that fault is taken before the search.
LONG WINAPI OnStackOverflow(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode != STATUS_STACK_OVERFLOW) return EXCEPTION_CONTINUE_SEARCH;
    return OnUnhandledException(exception);
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
    const FaultReport& report = ClaimedReport();
    report.write(std::span<wchar_t>(watch->text), watch->code, watch->module, watch->offset);
    {
        const IgnoreStaleInput staleInput;
        // Answered is told too, should the answer come before the timer.
        if (MessageBoxW(nullptr, watch->text, watch->reports->title,
                        MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST) != 0)
            OutsideWatch::FaultTold();
    }
    TerminateProcess(GetCurrentProcess(), report.exitStatus);
    return 0;
}

HANDLE NewEvent() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) throw LastWin32Error(L"CreateEventW");
    return event;
}

// This process's threads, sorted, into `ids`; how many there are.
std::size_t SnapshotThreads(DWORD* ids, std::size_t capacity) {
    std::size_t count = 0;
    const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD process = GetCurrentProcessId();
    if (snapshot.valid())
        for (BOOL more = Thread32First(snapshot.get(), &entry); more && count < capacity;
             more = Thread32Next(snapshot.get(), &entry))
            if (entry.th32OwnerProcessID == process) ids[count++] = entry.th32ThreadID;
    std::sort(ids, ids + count);
    return count;
}

// Windows's own worker pools start their threads in ntdll; those come and go
// as they please and serve anyone: after the call they are judged by where
// they fault.
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

void ForgetEndedThreads() {
    const std::size_t count = watch->threadCount.load();
    for (std::size_t i = 0; i < count; ++i) {
        WatchedThread& thread = watch->threads[i];
        if (thread.id.load() == 0 || WaitForSingleObject(thread.handle, 0) != WAIT_OBJECT_0) continue;
        thread.id.store(0);
        CloseHandle(thread.handle);
    }
}

// Keeps `thread` open as the watched code's; a copy for the caller to wait on.
HANDLE AdoptThread(DWORD id, HANDLE thread) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    const std::size_t next = watch->threadCount.load();
    if (next == kMaxThreads) {
        CloseHandle(thread);
        return copy;
    }
    watch->threads[next].handle = thread;
    watch->threads[next].id.store(id);
    watch->threadCount.store(next + 1);
    return copy;
}

}  // namespace

namespace FaultWatch {

void LetCallbackExceptionsThrough() noexcept {
    using GetPolicyFn = BOOL(WINAPI*)(LPDWORD);
    using SetPolicyFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kCallbackFilterEnabled = 0x1;  // PROCESS_CALLBACK_FILTER_ENABLED
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto get = ExportedFunction<GetPolicyFn>(kernel32, "GetProcessUserModeExceptionPolicy");
    const auto set = ExportedFunction<SetPolicyFn>(kernel32, "SetProcessUserModeExceptionPolicy");
    DWORD flags = 0;
    if (get != nullptr && set != nullptr && get(&flags)) set(flags & ~kCallbackFilterEnabled);
}

void Start(const FaultReports& reports, std::span<const HMODULE> watchedModules) {
    if (watch != nullptr && watch->reporterThread != 0) return;
    if (watch == nullptr) watch = new Watch();
    watch->reports = &reports;
    if (watch->faulted == nullptr) watch->faulted = NewEvent();
    if (watch->shown == nullptr) watch->shown = NewEvent();
    if (watch->overflowHandler == nullptr) {
        watch->overflowHandler = AddVectoredExceptionHandler(1, OnStackOverflow);
        if (watch->overflowHandler == nullptr) throw std::bad_alloc();
    }
    if (watch->callingThreadHandle == nullptr) {
        if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                             &watch->callingThreadHandle, THREAD_SUSPEND_RESUME, FALSE, 0))
            throw LastWin32Error(L"DuplicateHandle");
        watch->callingThread = GetCurrentThreadId();
    }
    if (watch->moduleCount.load() == 0) {
        RecordModules(false);
        for (std::size_t i = 0; i < watch->moduleCount.load(); ++i)
            for (HMODULE module : watchedModules)
                if (watch->modules[i].start == reinterpret_cast<std::uintptr_t>(module))
                    watch->modules[i].watched = true;
    }
    const ScopedHandle ready(NewEvent());
    DWORD id = 0;
    const ScopedHandle thread(CreateThread(nullptr, 0, TellAndEnd, ready.get(), 0, &id));
    if (!thread.valid()) throw LastWin32Error(L"CreateThread");
    WaitForSingleObject(ready.get(), INFINITE);
    if (!watch->reporterHooked) throw AppError{kErrInternal, L"The crash report cannot be made ready"};
    watch->reporterThread = id;
}

void CallStarting() noexcept {
    StopIfClaimed();
    RecordModules(false);  // what the open-file dialog loaded is not the watched code's
    ForgetEndedThreads();
    watch->threadsBeforeCount = SnapshotThreads(watch->threadsBefore, kMaxThreads);
    watch->threadsBeforeComplete = watch->threadsBeforeCount > 0 && watch->threadsBeforeCount < kMaxThreads;
    ULONG stack = kStackForTheReport;
    SetThreadStackGuarantee(&stack);
    // Each time: the watched code may have put in a filter of its own meanwhile.
    SetUnhandledExceptionFilter(OnUnhandledException);
    LONG idle = kIdle;
    if (!watch->state.compare_exchange_strong(idle, kCalling)) Park();
}

std::vector<ScopedHandle> CallReturned() noexcept {
    StopIfClaimed();
    // Still during the call as far as blame goes, until the threads and modules are known.
    SetUnhandledExceptionFilter(OnUnhandledException);
    RecordModules(true);
    std::vector<ScopedHandle> started;
    DWORD now[kMaxThreads];
    const std::size_t count = SnapshotThreads(now, kMaxThreads);
    const DWORD* before = watch->threadsBefore;
    for (std::size_t i = 0; watch->threadsBeforeComplete && i < count; ++i) {
        if (std::binary_search(before, before + watch->threadsBeforeCount, now[i]) ||
            now[i] == GetCurrentThreadId() || now[i] == watch->reporterThread)
            continue;
        HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, now[i]);
        if (thread == nullptr) continue;  // ended already
        // Ended since the snapshot, its id may already be another process's thread.
        if (GetProcessIdOfThread(thread) != GetCurrentProcessId() || StartedInNtdll(thread)) {
            CloseHandle(thread);
            continue;
        }
        HANDLE copy = AdoptThread(now[i], thread);
        try {
            if (copy != nullptr) started.emplace_back(copy);
        } catch (const std::bad_alloc&) {
            CloseHandle(copy);  // not waited for; still the watched code's
        }
    }
    LONG calling = kCalling;
    if (!watch->state.compare_exchange_strong(calling, kIdle)) Park();
    return started;
}

void StopIfClaimed() noexcept {
    if (watch != nullptr && watch->state.load() == kClaimed) Park();
}

}  // namespace FaultWatch
