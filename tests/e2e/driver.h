// The end-to-end driver: lays out a folder as a user installs the program,
// starts it, and does what its user does: click, choose a file, answer the
// boxes; then reads what it shows and what the simulated controller was given.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "golden_texts.h"

constexpr DWORD kPatience = 15000;  // ms to wait for anything the program should do
constexpr int kCloseBox = 0;        // for Answer: the title-bar close button

// Polls `condition` until it holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kPatience);

// A file of the build under test, relative to its folder ("bin\\OSCdll.DLL"):
// the driver's own build, or the one KORVANI_E2E_BUILD names.
std::wstring Built(const std::wstring& relative);
// A path in the suite's work area, outside every application folder.
std::wstring WorkFile(const std::wstring& name);
// A plausible firmware image, told apart from others by `tag`.
std::string Firmware(char tag);

struct MessageBoxView {
    std::wstring title;
    std::wstring text;
    std::vector<std::wstring> buttons;  // captions, in order
    bool hasIcon = false;
    bool operator==(const MessageBoxView&) const = default;
};
MessageBoxView ReadMessageBox(HWND box);
void PrintTo(const MessageBoxView& box, std::ostream* out);  // for a failed check
// The question before flashing `path`, as its user sees it.
MessageBoxView ConfirmationBox(const std::wstring& path);

// A message sent to another process's window, given up after 5 s.
LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);  // WM_GETTEXT: works across processes and keeps CR/LF as set
bool WaitGone(HWND window, DWORD timeoutMs = kPatience);

// What a user does: press a control of `window`, or close it with its title-bar button.
void Press(HWND window, int controlId);
void Close(HWND window);
// Real key strokes, each key down then up, to whichever window is in front.
void PressKeys(std::initializer_list<WORD> keys);

// The first window of the class under `parent`, at any depth.
HWND Descendant(HWND parent, const wchar_t* className);
// The open-file dialog's file-name field, and a name typed into it.
HWND FileNameField(HWND dialog);
void TypeFileName(HWND dialog, const std::wstring& name);

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;  // names and values

struct LaunchOptions {
    Environment environment = {};        // added to the driver's own
    std::wstring currentDirectory = {};  // empty: the driver's
    std::wstring arguments = {};         // after the program's name
    std::vector<HANDLE> inherited = {};  // inheritable handles it gets, and no others
    bool inJob = false;                  // in a job of the driver's that lets processes break away
};

struct FlashCall {
    std::string path;  // the bytes the library received
    bool opened;
    std::uint32_t crc;
    bool zeroFilled;    // the buffer held zeros after the path, up to MAX_PATH bytes
    std::string state;  // with KORVANI_SIM_STATE=1: "x87,MXCSR,current directory" as the call found them
};

// Every step a test takes names the test's line in a failure, not the driver's.
using Caller = std::source_location;

// A copy of a built program in a fresh folder of the work area, started as
// its user starts it, and what the user does with it. Ended, with every
// process it started, when the object goes.
class Program {
public:
    // The folder `name` holds the built program `built` only, under its own file name.
    explicit Program(const std::wstring& name, const std::wstring& built = L"bin\\KorvaniFWUpdater.exe");
    explicit Program(DWORD processId);  // one already running, found by the driver
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Program& Copy(const std::wstring& built, const std::wstring& nameHere);
    Program& Write(const std::wstring& nameHere, const std::string& contents);
    // The simulated OSCdll.DLL, or the build's variant `flashing` of it, its helper and AT91Boot_DLL.dll.
    Program& WithLibraries(const std::wstring& flashing = L"bin\\OSCdll.DLL");
    const std::wstring& Folder() const { return folder_; }
    std::wstring File(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // Starts it, anew if it ran before; the simulated controller answers
    // `results`, call after call, and keeps its log for this folder.
    void Start(const std::string& results = "0", const LaunchOptions& options = {});
    // The user's "new firmware v2.bin" beside it, started, its main window up.
    void Open(const std::string& results, const LaunchOptions& options = {});
    HWND window = nullptr;  // the main window, once Open found it

    std::optional<DWORD> WaitForExit(DWORD timeoutMs = kPatience);
    bool IsRunning() const;
    std::vector<HWND> Windows() const;  // visible top-level windows
    // The visible window of the class other than `except` (a dialog or message box by default).
    HWND WaitForWindow(HWND except = nullptr, DWORD timeoutMs = kPatience,
                       const wchar_t* className = L"#32770") const;
    HANDLE Handle() const { return process_.hProcess; }
    DWORD Id() const { return process_.dwProcessId; }

    std::string Log() const;  // what the simulated libraries recorded
    std::vector<FlashCall> Calls() const;
    // The watcher an update starts: a later run of the executable that the
    // driver did not start, and no child of it.
    std::unique_ptr<Program> WaitForWatcher(DWORD timeoutMs = kPatience) const;
    // Ends it and every process it started, found by their parents, as "End process tree" does.
    void EndProcessTree(DWORD status);
    bool EndJob(DWORD status);  // false when it has no job
    HWND Focus() const;         // the window with the keyboard focus in its thread

    // The dialog or message box in front of the user.
    HWND Front(Caller caller = Caller::current()) const;
    bool DialogInFront(Caller caller = Caller::current()) const;
    MessageBoxView Box(Caller caller = Caller::current()) const;
    void ClickUpdate();
    // Types `name` into the open-file dialog (empty: keep what it offers) and presses Open.
    void Pick(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    void Answer(int button, Caller caller = Caller::current());  // a button id, or kCloseBox
    // Checks the question names `name` in the application folder, and answers OK.
    void Confirm(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    // Clicks the button, picks `name` and confirms it: the library is called next.
    void Flash(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    // Only the main window is shown, enabled, with the focus on its button.
    void ExpectIdle(Caller caller = Caller::current());

private:
    void End();

    PROCESS_INFORMATION process_ = {};
    std::wstring folder_, name_, log_;  // none for one found
    HANDLE job_ = nullptr;
};

// What a process holds. Wine answers GetGuiResources and GetProcessHandleCount
// with 0, so handles come from the system's handle table and windows are counted.
struct Footprint {
    DWORD handles;  // kernel handles in the system's handle table
    DWORD windows;  // windows of the process, top-level and child, hidden or not
};
Footprint FootprintOf(const Program& program);
