// Stand-in for the maker's flashing library: a simulated controller, or, for
// tests, a scripted one. Exported as "_FlashProgramAT@4" (see the .def files).
//
// KORVANI_SIM_RESULTS="r1,r2,..."  results of successive calls (the last repeats)
// KORVANI_SIM_LOG=<file>           a line per call: path bytes, file size, CRC-32, result, and
//                                  whether the buffer is zero-filled to MAX_PATH bytes
// KORVANI_SIM_DELAY_MS=<n>         each call takes that long once it is logged
// KORVANI_SIM_SCRIBBLE=1           before returning, fill the buffer as a library that takes it
//                                  for a char[MAX_PATH] of its own would
// KORVANI_SIM_PUMP=1               dispatch the caller's window messages while it works, as a
//                                  library with a progress window or a COM wait would
// KORVANI_SIM_FAULT=<how>          misbehave after logging the call: av (an access violation), cxx
//                                  (a C++ exception of another compiler, SEH code 0xE06D7363),
//                                  heap (an access violation while holding the process heap's
//                                  lock), thread (a thread of its own faults while the call waits
//                                  for it; the call then returns), overflow (the stack overflows),
//                                  fastfail (RaiseFailFastException, as its run-time's checks end), exit
//                                  (ExitProcess(0)), filter (an unhandled-exception filter of its
//                                  own that calls ExitProcess(7), then an access violation), late
//                                  (the call returns; a thread of its own faults 1 s later), stay
//                                  (the call returns; a thread of its own runs for good), helper
//                                  (an access violation in OSCdllHelper.dll, loaded from beside it),
//                                  window (the call leaves a window of its own on the calling
//                                  thread, which faults on a message it gets 1 s after the outcome's
//                                  box came up), lockedlate (once the outcome's box has come and gone, a
//                                  thread of its own faults holding the process heap's lock)
// KORVANI_SIM_STATE=1              log the x87 control word, MXCSR and current directory each call
//                                  finds, then change all three; loading changes the first two
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "crc32.h"
#include "firmware_image.h"
#include "scoped_handle.h"
#include "sim_log.h"

namespace {

std::string Environment(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return std::string();
    std::string value(size, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

struct FileContents {
    bool opened = false;
    std::vector<unsigned char> bytes;
};

// Opened through the ANSI functions, as the maker's library does.
FileContents ReadFirmwareFile(const char* path) {
    FileContents file;
    const ScopedHandle handle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) return file;
    file.opened = true;
    unsigned char chunk[64 * 1024];
    DWORD read;
    while (ReadFile(handle.get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        file.bytes.insert(file.bytes.end(), chunk, chunk + read);
    return file;
}

std::string Escaped(const char* path) {
    std::string text;
    for (const char* p = path; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte < 0x7F) {
            text += *p;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

std::int32_t ScriptedResult(const std::string& script) {
    static int call = 0;
    std::vector<long long> results;
    const char* p = script.c_str();
    while (*p != '\0') {
        char* end;
        results.push_back(std::strtoll(p, &end, 10));
        p = *end == ',' ? end + 1 : end + std::strlen(end);
    }
    const std::size_t index = std::min<std::size_t>(static_cast<std::size_t>(call++), results.size() - 1);
    return static_cast<std::int32_t>(results[index]);
}

bool WriteSimulatedFlash(const std::vector<unsigned char>& image) {
    wchar_t folder[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0) return false;
    const std::wstring path = std::wstring(folder) + L"KorvaniSimulatedFlash.bin";
    const ScopedHandle flash(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!flash.valid()) return false;
    std::vector<unsigned char> contents(kFlashSize, 0xFF);  // erased flash reads as 0xFF
    std::copy(image.begin(), image.end(), contents.begin());
    DWORD written;
    return WriteFile(flash.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
           written == contents.size();
}

void Wait(DWORD milliseconds) {
    if (Environment("KORVANI_SIM_PUMP") != "1") {
        Sleep(milliseconds);
        return;
    }
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now; (now = GetTickCount64()) < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

std::int32_t SimulatedController(const FileContents& file) {
    if (!file.opened) return -1;
    if (file.bytes.size() < kMinImageSize || !HasArmVectorTable(file.bytes.data(), file.bytes.size()))
        return -3;
    if (file.bytes.size() > kFlashSize) return -4;
    Wait(1500);  // erasing and programming take a while on the real device
    return WriteSimulatedFlash(file.bytes) ? 0 : -1;
}

// After the path's NUL the buffer holds zeros up to MAX_PATH bytes, which a
// library with a char[MAX_PATH] in mind may read and write.
bool ZeroFilledToMaxPath(const char* path) {
    for (std::size_t i = std::strlen(path) + 1; i < MAX_PATH; ++i)
        if (path[i] != '\0') return false;
    return true;
}

// Volatile and global: the compiler can neither know it is null nor drop the write.
int* volatile nowhere = nullptr;

void AccessViolation() {
    *nowhere = 0;
}

#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int Recurse(volatile char* previous) {
    volatile char frame[512];
    frame[0] = previous != nullptr ? previous[0] : 0;
    return Recurse(frame) + frame[1];  // not a tail call: every frame stays
}

DWORD WINAPI FaultingThread(void* delay) {
    Sleep(static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(delay)));
    AccessViolation();
    return 0;
}

DWORD WINAPI StayingThread(void*) {
    Sleep(INFINITE);  // as a USB stack's event thread does
    return 0;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t name[16];
    if (IsWindowVisible(window) && GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32770") == 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// Whether `thread` shows a dialog or message box.
bool ShowsABox(DWORD thread) {
    bool shown = false;
    EnumThreadWindows(thread, FindBox, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

void WaitForBox(DWORD thread, bool shown) {
    while (ShowsABox(thread) != shown) Sleep(50);
}

HINSTANCE thisLibrary = nullptr;
constexpr UINT kFaultHere = WM_APP + 1;

LRESULT CALLBACK FaultingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kFaultHere) AccessViolation();
    return DefWindowProcW(window, message, wParam, lParam);
}

// Left on the calling thread, as a library's hidden notification window is.
HWND LeaveWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = FaultingWindowProc;
    windowClass.hInstance = thisLibrary;
    windowClass.lpszClassName = L"OSCdllNotifications";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

struct Caller {
    DWORD thread;
    HWND window;
};

DWORD WINAPI PostOnceTheBoxIsUp(void* caller) {
    const auto* to = static_cast<Caller*>(caller);
    WaitForBox(to->thread, true);
    Sleep(1000);
    PostMessageW(to->window, kFaultHere, 0, 0);
    return 0;
}

HANDLE boxGone = nullptr;

// On the calling thread: the first box it closes after the call is the outcome's.
LRESULT CALLBACK SeeTheBoxGo(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[16];
    if (code == HCBT_DESTROYWND && GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16) &&
        std::wcscmp(name, L"#32770") == 0)
        SetEvent(boxGone);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI FaultLockedOnceTheBoxIsGone(void*) {
    WaitForSingleObject(boxGone, INFINITE);
    HeapLock(GetProcessHeap());
    AccessViolation();
    return 0;
}

LONG WINAPI ExitWithSeven(EXCEPTION_POINTERS*) {
    ExitProcess(7);
}

void StartThread(LPTHREAD_START_ROUTINE body, std::uintptr_t parameter) {
    CloseHandle(CreateThread(nullptr, 0, body, reinterpret_cast<void*>(parameter), 0, nullptr));
}

void Crash(const std::string& how) {
    if (how == "av") AccessViolation();
    if (how == "cxx") {
        const ULONG_PTR thrown[] = {0x19930520, 0, 0};  // the magic number such a throw carries
        RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 3, thrown);
    }
    if (how == "heap") {
        HeapLock(GetProcessHeap());
        AccessViolation();
    }
    if (how == "thread") {
        const ScopedHandle thread(CreateThread(nullptr, 0, FaultingThread, nullptr, 0, nullptr));
        WaitForSingleObject(thread.get(), 2000);
    }
    if (how == "overflow") Recurse(nullptr);
    if (how == "fastfail") RaiseFailFastException(nullptr, nullptr, 0);
    if (how == "exit") ExitProcess(0);
    if (how == "filter") {
        SetUnhandledExceptionFilter(ExitWithSeven);
        AccessViolation();
    }
    if (how == "late") StartThread(FaultingThread, 1000);
    if (how == "stay") StartThread(StayingThread, 0);
    if (how == "window") {
        static Caller caller;
        caller = {GetCurrentThreadId(), LeaveWindow()};
        StartThread(PostOnceTheBoxIsUp, reinterpret_cast<std::uintptr_t>(&caller));
    }
    if (how == "lockedlate") {
        boxGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetWindowsHookExW(WH_CBT, SeeTheBoxGo, nullptr, GetCurrentThreadId());
        StartThread(FaultLockedOnceTheBoxIsGone, 0);
    }
    if (how == "helper") {
        wchar_t path[MAX_PATH];
        HMODULE self = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<const wchar_t*>(&Crash), &self);
        const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        std::wstring helper(path, length);
        helper = helper.substr(0, helper.find_last_of(L'\\') + 1) + L"OSCdllHelper.dll";
        using CrashHere = void (*)();
        reinterpret_cast<CrashHere>(
            reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(helper.c_str()), "CrashHere")))();
    }
}

std::uint16_t X87ControlWord() {
    std::uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

// Round toward zero in both units, and flush denormals to zero: what a
// library built for speed might leave behind.
void ChangeFloatingPointControl() {
    const std::uint16_t x87 = X87ControlWord() | 0x0C00;
    __asm__ volatile("fldcw %0" : : "m"(x87));
    std::uint32_t mxcsr;
    __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr |= 0x6000 | 0x8000;
    __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
}

std::string SeenStateThenChangeIt() {
    std::uint32_t mxcsr;
    __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    char seen[MAX_PATH + 32];
    // MXCSR without its exception flags, which any arithmetic sets.
    std::snprintf(seen, sizeof seen, "%04X,%08X,%s", X87ControlWord(), mxcsr & ~0x3Fu, directory);
    ChangeFloatingPointControl();
    char temp[MAX_PATH];
    if (GetTempPathA(MAX_PATH, temp) > 0) SetCurrentDirectoryA(temp);
    return seen;
}

}  // namespace

extern "C" std::int32_t WINAPI FlashProgramAT(char* path) {
    const FileContents file = ReadFirmwareFile(path);
    const std::string script = Environment("KORVANI_SIM_RESULTS");
    const std::int32_t result = script.empty() ? SimulatedController(file) : ScriptedResult(script);

    char line[128];
    std::snprintf(line, sizeof line, " opened=%d size=%llu crc=%08X result=%ld zeroed=%d",
                  file.opened ? 1 : 0, static_cast<unsigned long long>(file.bytes.size()),
                  Crc32(file.bytes.data(), file.bytes.size()), static_cast<long>(result),
                  ZeroFilledToMaxPath(path) ? 1 : 0);
    std::string state;
    if (Environment("KORVANI_SIM_STATE") == "1") state = " state=" + SeenStateThenChangeIt();
    AppendToSimLog("call path=" + Escaped(path) + line + state);

    const std::string delay = Environment("KORVANI_SIM_DELAY_MS");
    if (!delay.empty()) Wait(static_cast<DWORD>(std::strtoul(delay.c_str(), nullptr, 10)));

    Crash(Environment("KORVANI_SIM_FAULT"));

    if (Environment("KORVANI_SIM_SCRIBBLE") == "1") {
        std::memset(path, '#', MAX_PATH - 1);
        path[MAX_PATH - 1] = '\0';
    }
    return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    thisLibrary = instance;
    AppendToSimLog("loaded OSCdll.DLL");
    if (Environment("KORVANI_SIM_STATE") == "1") ChangeFloatingPointControl();
    return TRUE;
}
