// The program under test, started as a user would start it, and what it shows.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app_folder.h"
#include "golden_texts.h"

constexpr DWORD kPatience = 15000;  // ms to wait for anything the program should do

// Polls `condition` until it holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kPatience);

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;  // names and values

struct LaunchOptions {
    Environment environment = {};        // added to the driver's own
    std::wstring currentDirectory = {};  // empty: the driver's
    std::wstring arguments = {};         // after the program's name
    std::vector<HANDLE> inherited = {};  // inheritable handles it gets, and no others
    bool inJob = false;                  // in a job of the driver's that lets processes break away
};

class Program {
public:
    Program(const AppFolder& folder, const LaunchOptions& options = {});
    explicit Program(DWORD processId);  // one the program started
    ~Program();                         // ends the process, and those it started, if they still run
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::optional<DWORD> WaitForExit(DWORD timeoutMs = kPatience);
    bool IsRunning() const;
    // The watcher the program starts before its first library call: a later
    // run of its executable that the driver did not start, and no child of it.
    std::unique_ptr<Program> WaitForWatcher(DWORD timeoutMs = kPatience) const;
    // Ends it and every process it started, found by their parents, as
    // "End process tree" does.
    void EndProcessTree(DWORD status);
    // Ends its job with everything still in it; false when it has none.
    bool EndJob(DWORD status);

    // Visible top-level windows of the process.
    std::vector<HWND> Windows() const;
    HWND WaitForMainWindow(DWORD timeoutMs = kPatience) const;
    // The visible dialog or message box of the process other than `except`.
    HWND WaitForDialog(HWND except = nullptr, DWORD timeoutMs = kPatience) const;

    // The window that has the keyboard focus in the program's thread.
    HWND Focus() const;

    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }

private:
    HWND WaitForWindow(const wchar_t* className, HWND except, DWORD timeoutMs) const;

    PROCESS_INFORMATION process_ = {};
    HANDLE job_ = nullptr;
    std::wstring name_;  // its executable's file name
};

// What a process holds. Wine answers GetGuiResources and GetProcessHandleCount
// with 0, so handles come from the system's handle table and windows are counted.
struct Footprint {
    DWORD userObjects;  // GetGuiResources
    DWORD gdiObjects;
    DWORD handles;  // kernel handles in the system's handle table
    DWORD windows;  // windows of the process, top-level and child, hidden or not
    SIZE_T privateBytes;
};
Footprint FootprintOf(const Program& program);

bool Responsive(HWND window);

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);  // WM_GETTEXT: works across processes and keeps CR/LF as set

struct MessageBoxView {
    std::wstring title;
    std::wstring text;
    std::vector<std::wstring> buttons;  // captions, in order
    bool hasIcon = false;
    bool operator==(const MessageBoxView&) const = default;
};
MessageBoxView ReadMessageBox(HWND box);
void PrintTo(const MessageBoxView& box, std::ostream* out);  // for a failed check

// What a user does: press a control of `window`, or close it with its title-bar button.
void Press(HWND window, int controlId);
void Close(HWND window);
// Real key strokes, each key down then up, to whichever window is in front.
void PressKeys(std::initializer_list<WORD> keys);
// A key held: its press, unless it was held before `window` came up, then
// `repeats` repeats (bit 30 set) and its release. Posted, as Wine forgets a
// held key when a new window takes the focus.
void PostHeldKey(HWND window, WORD key, bool pressedHere, int repeats);
// Whether the window lets Windows log the user off now.
bool AllowsLogOff(HWND window);
bool WaitGone(HWND window, DWORD timeoutMs = kPatience);

// The open-file dialog.
namespace FileDialog {
constexpr int kFileTypes = 0x470;
constexpr int kReadOnly = 0x410;
constexpr int kFileName = 0x47C;
HWND FileNameField(HWND dialog);
void TypeFileName(HWND dialog, const std::wstring& name);
std::vector<std::wstring> FileTypes(HWND dialog);
int SelectedFileType(HWND dialog);
void SelectFileType(HWND dialog, int index);
std::vector<std::wstring> ListedNames(const Program& program, HWND dialog);
}  // namespace FileDialog
