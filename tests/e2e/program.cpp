#include "program.h"

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <set>
#include <stdexcept>

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() > deadline) return false;
        Sleep(20);
    }
}

namespace {

// Process ids of the programs the driver started, as opposed to those they started.
std::set<DWORD>& StartedByTheDriver() {
    static std::set<DWORD> started;
    return started;
}

std::vector<wchar_t> EnvironmentWith(const Environment& additions) {
    std::vector<wchar_t> block;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        bool replaced = false;
        for (const auto& [name, value] : additions)
            replaced = replaced || _wcsnicmp(text.c_str(), (name + L"=").c_str(), name.size() + 1) == 0;
        if (!replaced) block.insert(block.end(), text.c_str(), text.c_str() + text.size() + 1);
    }
    FreeEnvironmentStringsW(current);
    for (const auto& [name, value] : additions) {
        const std::wstring text = name + L"=" + value;
        block.insert(block.end(), text.c_str(), text.c_str() + text.size() + 1);
    }
    block.push_back(L'\0');
    return block;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// The first window of the class under `parent`, at any depth.
HWND Descendant(HWND parent, const wchar_t* className) {
    for (HWND child = nullptr; (child = FindWindowExW(parent, child, nullptr, nullptr)) != nullptr;) {
        if (ClassOf(child) == className) return child;
        if (HWND found = Descendant(child, className)) return found;
    }
    return nullptr;
}

// Top-level windows of the process, hidden ones too unless `visibleOnly`.
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly) {
    struct Search {
        DWORD processId;
        bool visibleOnly;
        std::vector<HWND> found;
    } search = {processId, visibleOnly, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && (!s->visibleOnly || IsWindowVisible(window)))
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

Program::Program(const AppFolder& folder, const LaunchOptions& options)
    : name_(folder.Program().substr(folder.Program().find_last_of(L'\\') + 1)) {
    std::vector<wchar_t> environment = EnvironmentWith(options.environment);
    std::wstring commandLine = L"\"" + folder.Program() + L"\" " + options.arguments;
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup;
    std::vector<HANDLE> inherited = options.inherited;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::string attributes(size, '\0');
    if (!inherited.empty()) {
        startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
        InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size);
        UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                  inherited.data(), inherited.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    if (options.inJob) {
        job_ = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (inherited.empty() ? 0 : EXTENDED_STARTUPINFO_PRESENT) |
                        (options.inJob ? CREATE_SUSPENDED : 0);
    const bool created = CreateProcessW(
        folder.Program().c_str(), commandLine.data(), nullptr, nullptr, !inherited.empty(), flags,
        environment.data(), options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(),
        &startup.StartupInfo, &process_);
    if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
    if (!created) throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
    StartedByTheDriver().insert(process_.dwProcessId);
    if (options.inJob) {
        if (!AssignProcessToJobObject(job_, process_.hProcess))
            throw std::runtime_error("AssignProcessToJobObject failed: " + std::to_string(GetLastError()));
        ResumeThread(process_.hThread);
    }
}

Program::Program(DWORD processId) {
    process_.dwProcessId = processId;
    process_.hProcess =
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process_.hProcess == nullptr)
        throw std::runtime_error("OpenProcess failed: " + std::to_string(GetLastError()));
}

namespace {

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return ULONGLONG{created.dwHighDateTime} << 32 | created.dwLowDateTime;
}

// Processes whose parent is `parentId`, or, with `laterRunsOf`, runs of that
// executable made after it that the driver did not start (whatever their
// parent): a process id is soon reused, so only processes made after it.
std::vector<DWORD> StartedBy(DWORD parentId, HANDLE parent, const std::wstring& laterRunsOf = L"") {
    std::vector<DWORD> found;
    const ULONGLONG born = CreationTime(parent);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        const bool wanted = laterRunsOf.empty() ? entry.th32ParentProcessID == parentId
                                                : _wcsicmp(entry.szExeFile, laterRunsOf.c_str()) == 0 &&
                                                      entry.th32ParentProcessID != parentId &&
                                                      entry.th32ProcessID != parentId &&
                                                      !StartedByTheDriver().contains(entry.th32ProcessID);
        if (!wanted) continue;
        HANDLE child = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (child != nullptr && CreationTime(child) >= born) found.push_back(entry.th32ProcessID);
        if (child != nullptr) CloseHandle(child);
    }
    CloseHandle(snapshot);
    return found;
}

void Terminate(DWORD processId, DWORD status) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    TerminateProcess(process, status);
    CloseHandle(process);
}

}  // namespace

Program::~Program() {
    for (DWORD child : StartedBy(process_.dwProcessId, process_.hProcess)) Terminate(child, 99);
    if (!name_.empty())
        for (DWORD watcher : StartedBy(process_.dwProcessId, process_.hProcess, name_))
            Terminate(watcher, 99);
    if (IsRunning()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    StartedByTheDriver().erase(process_.dwProcessId);
    if (job_ != nullptr) CloseHandle(job_);
    if (process_.hThread != nullptr) CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

void Program::EndProcessTree(DWORD status) {
    std::vector<DWORD> tree = {process_.dwProcessId};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, tree[i]);
        if (process == nullptr) continue;
        for (DWORD child : StartedBy(tree[i], process)) tree.push_back(child);
        CloseHandle(process);
    }
    for (DWORD process : tree) Terminate(process, status);
}

bool Program::EndJob(DWORD status) {
    return job_ != nullptr && TerminateJobObject(job_, status);
}

std::unique_ptr<Program> Program::WaitForWatcher(DWORD timeoutMs) const {
    std::vector<DWORD> children;
    if (!WaitUntil(
            [&] { return !(children = StartedBy(process_.dwProcessId, process_.hProcess, name_)).empty(); },
            timeoutMs))
        return nullptr;
    return std::make_unique<Program>(children.front());
}

bool Program::IsRunning() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::WaitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
}

std::vector<HWND> Program::Windows() const {
    return TopLevelWindows(process_.dwProcessId, true);
}

HWND Program::WaitForMainWindow(DWORD timeoutMs) const {
    return WaitForWindow(golden::kMainWindowClass, nullptr, timeoutMs);
}

HWND Program::WaitForDialog(HWND except, DWORD timeoutMs) const {
    return WaitForWindow(L"#32770", except, timeoutMs);
}

HWND Program::WaitForWindow(const wchar_t* className, HWND except, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : Windows())
                if (window != except && ClassOf(window) == className) found = window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND Program::Focus() const {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(process_.dwThreadId, &gui) ? gui.hwndFocus : nullptr;
}

namespace {

DWORD HandlesOf(DWORD processId) {
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    DWORD count = 0;
    for (ULONG i = 0; i < table->Count; ++i) count += table->Handle[i].OwnerPid == processId ? 1 : 0;
    return count;
}

DWORD WindowsOf(DWORD processId) {
    DWORD count = 0;
    for (HWND window : TopLevelWindows(processId, false)) {
        ++count;
        EnumChildWindows(
            window, [](HWND, LPARAM param) -> BOOL { return ++*reinterpret_cast<DWORD*>(param) != 0; },
            reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

}  // namespace

Footprint FootprintOf(const Program& program) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(program.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    return {GetGuiResources(program.Handle(), GR_USEROBJECTS),
            GetGuiResources(program.Handle(), GR_GDIOBJECTS), HandlesOf(program.ProcessId()),
            WindowsOf(program.ProcessId()), memory.PrivateUsage};
}

bool Responsive(HWND window) {
    DWORD_PTR result;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    const auto length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied =
        SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.title = TextOf(box);
    view.text = TextOf(GetDlgItem(box, 0xFFFF));
    HWND icon = GetDlgItem(box, 0x440);
    view.hasIcon = icon != nullptr && SendWithTimeout(icon, STM_GETICON, 0, 0) != 0;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == L"Button" && IsWindowVisible(child)) view.buttons.push_back(TextOf(child));
    return view;
}

void PrintTo(const MessageBoxView& box, std::ostream* out) {
    const auto narrow = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    *out << "\"" << narrow(box.title) << "\": \"" << narrow(box.text) << "\", " << box.buttons.size()
         << " buttons" << (box.hasIcon ? ", icon" : ", no icon");
}

void Press(HWND window, int controlId) {
    // Posted, not sent: the handler opens nested modal loops of its own.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, controlId)));
}

void Close(HWND window) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> strokes;
    for (WORD key : keys)
        for (DWORD flags : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
            INPUT stroke = {};
            stroke.type = INPUT_KEYBOARD;
            stroke.ki.wVk = key;
            stroke.ki.dwFlags = flags;
            strokes.push_back(stroke);
        }
    if (SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT)) != strokes.size())
        throw std::runtime_error("SendInput failed: " + std::to_string(GetLastError()));
}

void PostHeldKey(HWND window, WORD key, bool pressedHere, int repeats) {
    if (window == nullptr) throw std::runtime_error("no window to send the keys to");
    const LPARAM fresh = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM held = fresh | LPARAM{1} << 30;
    if (pressedHere) PostMessageW(window, WM_KEYDOWN, key, fresh);
    for (int i = 0; i < repeats; ++i) PostMessageW(window, WM_KEYDOWN, key, held);
    PostMessageW(window, WM_KEYUP, key, held | LPARAM{1} << 31);
}

bool AllowsLogOff(HWND window) {
    return SendWithTimeout(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

namespace FileDialog {

HWND FileNameField(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFileName);
    HWND edit = Descendant(combo, L"Edit");
    return edit != nullptr ? edit : combo;
}

void TypeFileName(HWND dialog, const std::wstring& name) {
    SendWithTimeout(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

std::vector<std::wstring> FileTypes(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFileTypes);
    std::vector<std::wstring> types;
    const auto count = SendWithTimeout(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        types.push_back(text);
    }
    return types;
}

int SelectedFileType(HWND dialog) {
    return static_cast<int>(SendWithTimeout(GetDlgItem(dialog, kFileTypes), CB_GETCURSEL, 0, 0));
}

void SelectFileType(HWND dialog, int index) {
    HWND combo = GetDlgItem(dialog, kFileTypes);
    SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // What a user's pick in the drop-down list sends.
    for (WORD notification : {WORD{CBN_SELCHANGE}, WORD{CBN_SELENDOK}})
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypes, notification),
                     reinterpret_cast<LPARAM>(combo));
}

namespace {

// The head of LVITEMW as a 32-bit program lays it out, with 4-byte pointers:
// as far as the text request reads.
struct ListViewItem32 {
    UINT mask;
    int iItem, iSubItem;
    UINT state, stateMask;
    std::uint32_t pszText;
    int cchTextMax;
};

}  // namespace

// The list view's item texts live in the program's memory: read them through a
// buffer allocated there, with an item in the program's own layout.
std::vector<std::wstring> ListedNames(const Program& program, HWND dialog) {
    std::vector<std::wstring> names;
    HWND list = Descendant(dialog, L"SysListView32");
    if (list == nullptr) return names;
    constexpr int kTextChars = 512;
    constexpr SIZE_T kItemRoom = 256;  // more than either layout of LVITEMW takes
    auto* remote = static_cast<char*>(VirtualAllocEx(
        program.Handle(), nullptr, kItemRoom + kTextChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) return names;
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(remote + kItemRoom);
    BOOL wow64 = FALSE;
    const bool is32Bit = IsWow64Process(program.Handle(), &wow64) && wow64;
    const ListViewItem32 item32 = {
        0, 0, 0, 0, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(remoteText)), kTextChars};
    LVITEMW item = {};
    item.pszText = remoteText;
    item.cchTextMax = kTextChars;
    const auto count = SendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Written anew each time: the list view may point pszText at a text of its own.
        WriteProcessMemory(program.Handle(), remote, is32Bit ? static_cast<const void*>(&item32) : &item,
                           is32Bit ? sizeof item32 : sizeof item, nullptr);
        const auto length =
            SendWithTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        std::wstring text(static_cast<std::size_t>(length), L'\0');
        ReadProcessMemory(program.Handle(), remoteText, text.data(), text.size() * sizeof(wchar_t), nullptr);
        names.push_back(text);
    }
    VirtualFreeEx(program.Handle(), remote, 0, MEM_RELEASE);
    return names;
}

}  // namespace FileDialog
