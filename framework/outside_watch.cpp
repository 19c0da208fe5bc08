#include "outside_watch.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>

#include "application.h"
#include "fixed_text.h"
#include "scoped_handle.h"

namespace {

constexpr std::uint32_t kMagic = 0x4B575448;

// What the watched process says, in memory the watcher maps read-only.
struct SharedState {
    std::uint32_t magic;
    std::uint32_t size;
    DWORD processId;
    LONG stage;
    LONG stageValue;
    LONG faultClaimed;  // 0, or 1 + its FaultOwner
    LONG faultTold;
    DWORD faultCode;
    std::uint64_t faultOffset;
    wchar_t faultModule[64];
};

SharedState* shared = nullptr;

const wchar_t* AfterProgramName(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        p = std::wcschr(p + 1, L'"');
        if (p == nullptr) return L"";
        ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

// "<argument> <mapping> <process>": the two inherited handles, in hexadecimal.
std::wstring WatcherArguments(const wchar_t* argument, HANDLE mapping, HANDLE process) {
    wchar_t text[64];
    FixedText handles(text);
    handles << L" ";
    handles.Hex(reinterpret_cast<std::uintptr_t>(mapping), 1) << L" ";
    handles.Hex(reinterpret_cast<std::uintptr_t>(process), 1);
    return argument + std::wstring(text);
}

// The watcher inherits these two handles and nothing else.
bool StartWatcher(const wchar_t* argument, HANDLE mapping, HANDLE self) {
    const std::wstring program = AppExecutable();
    std::wstring commandLine = L"\"" + program + L"\" " + WatcherArguments(argument, mapping, self);
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string attributes(size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    HANDLE inherited[] = {mapping, self};
    bool started = false;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                  nullptr, nullptr)) {
        STARTUPINFOEXW startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no busy cursor for a process that waits
        startup.lpAttributeList = list;
        // Started in the program's own folder: the current one may be a drive the user wants to eject.
        const std::wstring folder = AppPath();
        PROCESS_INFORMATION process = {};
        started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                 EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.c_str(), &startup.StartupInfo,
                                 &process) != FALSE;
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    DeleteProcThreadAttributeList(list);
    return started;
}

}  // namespace

namespace OutsideWatch {

bool Start(const wchar_t* argument) noexcept {
    if (shared != nullptr) return true;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const ScopedHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE, 0,
                                                  sizeof(SharedState), nullptr));
    if (!mapping.valid()) return false;
    auto* state =
        static_cast<SharedState*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(SharedState)));
    if (state == nullptr) return false;
    *state = {kMagic, sizeof(SharedState), GetCurrentProcessId(), 0, 0, 0, 0, 0, 0, {}};
    // Only what waiting and telling need: the watcher cannot touch the program.
    HANDLE self = nullptr;
    bool started = DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                   SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0) != FALSE;
    if (started) {
        const ScopedHandle selfForTheWatcher(self);
        try {
            started = StartWatcher(argument, mapping.get(), self);
        } catch (...) {
            started = false;  // out of memory, or no path to run: the update goes on without a watcher
        }
    }
    if (!started) {
        UnmapViewOfFile(state);
        return false;
    }
    shared = state;  // the view keeps the memory alive
    return true;
}

void Mark(std::uint32_t stage, std::int32_t value) noexcept {
    if (shared == nullptr) return;
    InterlockedExchange(&shared->stageValue, value);
    InterlockedExchange(&shared->stage, static_cast<LONG>(stage));
}

void FaultClaimed(FaultOwner owner, std::uint32_t code, std::wstring_view module,
                  std::uintptr_t offset) noexcept {
    if (shared == nullptr) return;
    shared->faultCode = code;
    shared->faultOffset = offset;
    const std::size_t length = std::min(module.size(), std::size(shared->faultModule) - 1);
    std::copy_n(module.data(), length, shared->faultModule);
    shared->faultModule[length] = L'\0';
    InterlockedExchange(&shared->faultClaimed, 1 + static_cast<LONG>(owner));
}

void FaultTold() noexcept {
    if (shared != nullptr) InterlockedExchange(&shared->faultTold, 1);
}

bool IsWatcherRun(const wchar_t* commandLine, const wchar_t* argument) noexcept {
    const wchar_t* arguments = AfterProgramName(commandLine);
    const std::size_t length = std::wcslen(argument);
    return std::wcsncmp(arguments, argument, length) == 0 &&
           (arguments[length] == L'\0' || arguments[length] == L' ' || arguments[length] == L'\t');
}

int RunWatcher(const wchar_t* commandLine, const wchar_t* argument, const OutsideReport& report) noexcept {
    const wchar_t* p = AfterProgramName(commandLine) + std::wcslen(argument);
    std::uintptr_t handles[2];
    for (std::uintptr_t& handle : handles) {
        wchar_t* end = nullptr;
        handle = static_cast<std::uintptr_t>(std::wcstoull(p, &end, 16));
        if (end == p || (*end != L' ' && *end != L'\0')) return 0;
        p = end;
    }
    if (*p != L'\0') return 0;
    const auto mapping = reinterpret_cast<HANDLE>(handles[0]);
    const auto process = reinterpret_cast<HANDLE>(handles[1]);
    const auto* state = static_cast<const SharedState*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (state == nullptr) return 0;
    // Handles that a user typed may name anything: only a watch of ours counts.
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(state, &region, sizeof region) < sizeof region || region.RegionSize < sizeof *state ||
        state->magic != kMagic || state->size != sizeof *state)
        return 0;
    const DWORD watched = GetProcessId(process);
    if (watched == 0 || watched != state->processId || watched == GetCurrentProcessId()) return 0;

    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return 0;
    if (state->faultTold != 0) return 0;  // the program's own report was up
    wchar_t text[1024];
    if (state->faultClaimed != 0) {
        // Whatever the stage: a claimed fault is told, also after the task.
        wchar_t module[std::size(SharedState{}.faultModule)];
        std::copy(std::begin(state->faultModule), std::end(state->faultModule), module);
        module[std::size(module) - 1] = L'\0';
        const bool watched = state->faultClaimed == 1 + static_cast<LONG>(FaultOwner::WatchedCode);
        (watched ? report.writeWatchedFault : report.writeOwnFault)(
            std::span<wchar_t>(text), state->faultCode, module,
            static_cast<std::uintptr_t>(state->faultOffset));
    } else {
        DWORD status = 0;
        GetExitCodeProcess(process, &status);
        if (!report.writeEnded(std::span<wchar_t>(text), static_cast<std::uint32_t>(state->stage),
                               state->stageValue, status))
            return 0;
    }
    MessageBoxW(nullptr, text, report.title, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
    return 0;
}

}  // namespace OutsideWatch
