#include "outside_watch.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <string>

#include "application.h"
#include "fixed_text.h"
#include "outside_watch_block.h"
#include "scoped_handle.h"

namespace {

OutsideWatchBlock* shared = nullptr;

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

// Hexadecimal numbers after `argument`, separated by blanks.
std::wstring Arguments(const wchar_t* argument, std::initializer_list<std::uint64_t> numbers) {
    wchar_t text[128];
    FixedText out(text);
    out << argument;
    for (std::uint64_t number : numbers) (out << L" ").Hex(number, 1);
    return text;
}

// Reads `count` hexadecimal numbers, and nothing after them.
bool ReadNumbers(const wchar_t* p, std::uint64_t* numbers, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        wchar_t* end = nullptr;
        numbers[i] = std::wcstoull(p, &end, 16);
        if (end == p || (*end != L' ' && *end != L'\0')) return false;
        p = end;
    }
    return *p == L'\0';
}

std::uintptr_t Number(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// Another run of this executable, in its folder, that inherits `inherited`
// and nothing else. Its handle, or null.
HANDLE StartCopy(const std::wstring& arguments, std::span<HANDLE> inherited, DWORD flags) {
    const std::wstring program = AppExecutable();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string attributes(size, '\0');
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return nullptr;
    PROCESS_INFORMATION process = {};
    if (inherited.empty() ||
        UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                  inherited.size_bytes(), nullptr, nullptr)) {
        STARTUPINFOEXW startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no busy cursor for a process that waits
        startup.lpAttributeList = inherited.empty() ? nullptr : list;
        // Started in the program's own folder: the current one may be a drive the user wants to eject.
        const std::wstring folder = AppPath();
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, !inherited.empty(),
                            flags | (inherited.empty() ? 0 : EXTENDED_STARTUPINFO_PRESENT), nullptr,
                            folder.c_str(), &startup.StartupInfo, &process))
            process = {};
    }
    DeleteProcThreadAttributeList(list);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    return process.hProcess;
}

// Not a secret, which any process of the user could read in ours, but never
// the same twice: it ties a block to the one start of the program that wrote it.
std::uint64_t NewToken() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    int onTheStack = 0;
    return static_cast<std::uint64_t>(now.QuadPart) * 0x9E3779B97F4A7C15ull ^
           (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ Number(&onTheStack) ^ GetTickCount64();
}

bool SameExecutable(HANDLE process) {
    wchar_t theirs[MAX_PATH * 4];
    DWORD length = static_cast<DWORD>(std::size(theirs));
    if (!QueryFullProcessImageNameW(process, 0, theirs, &length)) return false;
    try {
        const std::wstring ours = AppExecutable();
        return CompareStringOrdinal(theirs, static_cast<int>(length), ours.c_str(),
                                    static_cast<int>(ours.size()), TRUE) == CSTR_EQUAL;
    } catch (...) {
        return false;
    }
}

constexpr wchar_t kRelay[] = L"relay";

// In the relay, a run of its own that the program starts: it starts the
// watcher with its own copies of the two handles, read-only where it can,
// and ends at once, so that the watcher is no child of the program and ends
// neither with its process tree nor, where breakaway is allowed, with its job.
int RunRelay(const wchar_t* argument, const wchar_t* p) {
    std::uint64_t numbers[3];  // process id, the program's section handle, token
    if (!ReadNumbers(p, numbers, std::size(numbers))) return 1;
    const ScopedHandle program(
        OpenProcess(PROCESS_DUP_HANDLE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                    static_cast<DWORD>(numbers[0])));
    if (!program.valid()) return 1;
    HANDLE section = nullptr, watched = nullptr;
    const bool duplicated =
        DuplicateHandle(program.get(), reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(numbers[1])),
                        GetCurrentProcess(), &section, FILE_MAP_READ, TRUE, 0) &&
        DuplicateHandle(GetCurrentProcess(), program.get(), GetCurrentProcess(), &watched,
                        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    const ScopedHandle ownSection(section), ownWatched(watched);
    if (!duplicated) return 1;
    HANDLE inherited[] = {section, watched};
    const ScopedHandle watcher(
        StartCopy(Arguments(argument, {Number(section), Number(watched), numbers[2]}), inherited, 0));
    return watcher.valid() ? 0 : 1;
}

constexpr DWORD kRelayPatienceMs = 30000;

}  // namespace

namespace OutsideWatch {

bool Start(const wchar_t* argument) noexcept {
    if (shared != nullptr) return true;
    const ScopedHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  sizeof(OutsideWatchBlock), nullptr));
    if (!mapping.valid()) return false;
    auto* state = static_cast<OutsideWatchBlock*>(
        MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(OutsideWatchBlock)));
    if (state == nullptr) return false;
    *state = {kOutsideWatchMagic,
              sizeof(OutsideWatchBlock),
              GetCurrentProcessId(),
              NewToken(),
              0,
              0,
              0,
              0,
              0,
              0,
              {}};
    bool started = false;
    try {
        const std::wstring arguments =
            Arguments((std::wstring(argument) + L" " + kRelay).c_str(),
                      {GetCurrentProcessId(), Number(mapping.get()), state->token});
        // Out of the program's job where it lets us: a job that ends the program then spares the watcher.
        HANDLE relay = StartCopy(arguments, {}, CREATE_BREAKAWAY_FROM_JOB);
        if (relay == nullptr && GetLastError() == ERROR_ACCESS_DENIED) relay = StartCopy(arguments, {}, 0);
        const ScopedHandle relayProcess(relay);
        // It duplicates our section handle: ours stays open until it has.
        DWORD status = 1;
        started = relayProcess.valid() && WaitForSingleObject(relay, kRelayPatienceMs) == WAIT_OBJECT_0 &&
                  GetExitCodeProcess(relay, &status) && status == 0;
    } catch (...) {
        // Out of memory, or no path to run: the update goes on without a watcher.
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
    const std::size_t relay = std::wcslen(kRelay);
    if (p[0] == L' ' && std::wcsncmp(p + 1, kRelay, relay) == 0 && p[1 + relay] == L' ')
        return RunRelay(argument, p + 1 + relay);
    std::uint64_t numbers[3];  // the two inherited handles, the token
    if (!ReadNumbers(p, numbers, std::size(numbers))) return 0;
    const auto mapping = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(numbers[0]));
    const auto process = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(numbers[1]));
    const auto* state = static_cast<const OutsideWatchBlock*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (state == nullptr) return 0;
    // Handles that a user typed may name anything, and a section may be
    // anybody's: only a block written by the very start of this program
    // that the token names counts.
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQuery(state, &region, sizeof region) < sizeof region || region.RegionSize < sizeof *state ||
        state->magic != kOutsideWatchMagic || state->size != sizeof *state || state->token != numbers[2])
        return 0;
    const DWORD watched = GetProcessId(process);
    if (watched == 0 || watched != state->processId || watched == GetCurrentProcessId() ||
        !SameExecutable(process))
        return 0;

    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return 0;
    if (state->faultTold != 0) return 0;  // the program's own report was up
    wchar_t text[1024];
    if (state->faultClaimed != 0) {
        // Whatever the stage: a claimed fault is told, also after the task.
        wchar_t module[std::size(OutsideWatchBlock{}.faultModule)];
        std::copy(std::begin(state->faultModule), std::end(state->faultModule), module);
        module[std::size(module) - 1] = L'\0';
        const WriteFaultFn writers[] = {report.writeWatchedFault, report.writeOwnFault,
                                        report.writeOwnFaultDuringCall};
        const auto owner = static_cast<std::size_t>(state->faultClaimed - 1);
        if (owner >= std::size(writers)) return 0;
        writers[owner](std::span<wchar_t>(text), state->faultCode, module,
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
