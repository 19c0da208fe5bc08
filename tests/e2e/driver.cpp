#include "driver.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
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

// The driver lives in <build>\e2e\; the program in <build>\bin\.
std::wstring BuildFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path().parent_path().wstring();
}

std::wstring EnvironmentOr(const wchar_t* name, const std::wstring& fallback) {
    wchar_t value[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value) : fallback;
}

// Call right after the call that gave `ok`: the error code is read first.
void Require(bool ok, const char* action, const std::wstring& subject) {
    if (ok) return;
    const DWORD error = GetLastError();
    throw std::runtime_error(std::string("cannot ") + action + " " +
                             std::string(subject.begin(), subject.end()) + " (error " +
                             std::to_string(error) + ")");
}

}  // namespace

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::wstring Built(const std::wstring& relative) {
    // KORVANI_E2E_BUILD names another build whose program is under test (the win32 release).
    static const std::wstring build = EnvironmentOr(L"KORVANI_E2E_BUILD", BuildFolder());
    return build + L"\\" + relative;
}

std::wstring WorkFile(const std::wstring& name) {
    // KORVANI_E2E_WORK moves the work area, e.g. to a neutral path for pictures.
    static const std::wstring work = EnvironmentOr(L"KORVANI_E2E_WORK", BuildFolder() + L"\\e2e-work");
    CreateDirectoryW(work.c_str(), nullptr);
    return work + L"\\" + name;
}

std::string Firmware(char tag) {
    std::string image;
    for (int i = 0; i < 8; ++i) image += std::string("\x18\xF0\x9F\xE5", 4);
    return image + std::string(1024, tag);
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

MessageBoxView ConfirmationBox(const std::wstring& path) {
    return {golden::kConfirmationTitle, golden::ConfirmationText(path), {L"OK", L"Cancel"}, false};
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

bool WaitGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
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
        for (DWORD flags : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)})
            strokes.push_back(
                {.type = INPUT_KEYBOARD,
                 .ki = {.wVk = key, .wScan = 0, .dwFlags = flags, .time = 0, .dwExtraInfo = 0}});
    if (SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT)) != strokes.size())
        throw std::runtime_error("SendInput failed: " + std::to_string(GetLastError()));
}

HWND Descendant(HWND parent, const wchar_t* className) {
    for (HWND child = nullptr; (child = FindWindowExW(parent, child, nullptr, nullptr)) != nullptr;) {
        if (ClassOf(child) == className) return child;
        if (HWND found = Descendant(child, className)) return found;
    }
    return nullptr;
}

HWND FileNameField(HWND dialog) {
    HWND combo = GetDlgItem(dialog, 0x47C);
    HWND edit = Descendant(combo, L"Edit");
    return edit != nullptr ? edit : combo;
}

void TypeFileName(HWND dialog, const std::wstring& name) {
    SendWithTimeout(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

namespace {

// Top-level windows of the process, hidden ones too unless `visibleOnly`. A
// snapshot: walking them one by one stops early where one closes meanwhile.
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

Program::Program(DWORD processId) {
    process_.dwProcessId = processId;
    process_.hProcess =
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    Require(process_.hProcess != nullptr, "open process", std::to_wstring(processId));
}

void Program::End() {
    if (process_.hProcess == nullptr) return;
    if (IsRunning()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    if (process_.hThread != nullptr) CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
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

HWND Program::WaitForWindow(HWND except, DWORD timeoutMs, const wchar_t* className) const {
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

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

::testing::ScopedTrace TraceFrom(const Caller& caller) {
    return ::testing::ScopedTrace(caller.file_name(), static_cast<int>(caller.line()), "called from here");
}

}  // namespace

Program::Program(const std::wstring& name, const std::wstring& built)
    : folder_(WorkFile(name)),
      name_(built.substr(built.find_last_of(L'\\') + 1)),
      log_(WorkFile(name + L".log")) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directory(folder_);
    Copy(built, name_);
}

Program::~Program() {
    if (process_.hProcess != nullptr) {
        for (DWORD child : StartedBy(process_.dwProcessId, process_.hProcess)) Terminate(child, 99);
        if (!name_.empty())
            for (DWORD watcher : StartedBy(process_.dwProcessId, process_.hProcess, name_))
                Terminate(watcher, 99);
    }
    StartedByTheDriver().erase(process_.dwProcessId);
    End();
    if (job_ != nullptr) CloseHandle(job_);
}

Program& Program::Copy(const std::wstring& built, const std::wstring& nameHere) {
    std::filesystem::copy_file(Built(built), File(nameHere),
                               std::filesystem::copy_options::overwrite_existing);
    return *this;
}

Program& Program::Write(const std::wstring& nameHere, const std::string& contents) {
    std::ofstream file(std::filesystem::path(File(nameHere)), std::ios::binary);
    if (!file.write(contents.data(), static_cast<std::streamsize>(contents.size())).flush())
        throw std::runtime_error("cannot write " + std::filesystem::path(nameHere).string());
    return *this;
}

Program& Program::WithLibraries(const std::wstring& flashing) {
    Copy(flashing, L"OSCdll.DLL").Copy(L"bin\\OSCdllHelper.dll", L"OSCdllHelper.dll");
    return Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
}

void Program::Start(const std::string& results, const LaunchOptions& options) {
    StartedByTheDriver().erase(process_.dwProcessId);
    End();
    DeleteFileW(log_.c_str());
    Environment environment = options.environment;
    environment.push_back({L"KORVANI_SIM_LOG", log_});
    environment.push_back({L"KORVANI_SIM_RESULTS", std::wstring(results.begin(), results.end())});
    std::vector<wchar_t> block = EnvironmentWith(environment);
    const std::wstring program = File(name_);
    std::wstring commandLine = L"\"" + program + L"\" " + options.arguments;
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
    if (options.inJob && job_ == nullptr) {
        job_ = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (inherited.empty() ? 0 : EXTENDED_STARTUPINFO_PRESENT) |
                        (options.inJob ? CREATE_SUSPENDED : 0);
    const bool created = CreateProcessW(
        program.c_str(), commandLine.data(), nullptr, nullptr, !inherited.empty(), flags, block.data(),
        options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &startup.StartupInfo,
        &process_);
    if (startup.lpAttributeList != nullptr) DeleteProcThreadAttributeList(startup.lpAttributeList);
    Require(created, "start", program);
    StartedByTheDriver().insert(process_.dwProcessId);
    if (options.inJob) {
        Require(AssignProcessToJobObject(job_, process_.hProcess) != 0, "put in a job", program);
        ResumeThread(process_.hThread);
    }
}

void Program::Open(const std::string& results, const LaunchOptions& options) {
    Write(L"new firmware v2.bin", Firmware('a'));
    Start(results, options);
    window = WaitForWindow(nullptr, kPatience, golden::kMainWindowClass);
    ASSERT_NE(window, nullptr) << "the main window did not open";
}

std::string Program::Log() const {
    return ReadWholeFile(log_);
}

std::vector<FlashCall> Program::Calls() const {
    std::vector<FlashCall> calls;
    std::istringstream log(Log());
    for (std::string line; std::getline(log, line);) {
        if (line.rfind("call path=", 0) != 0) continue;
        const std::size_t tail = line.rfind(" opened=");
        FlashCall call;
        call.path = Unescape(line.substr(10, tail - 10));
        int opened = 0, zeroed = 0;
        sscanf(line.c_str() + tail, " opened=%d size=%*u crc=%" SCNx32 " result=%*d zeroed=%d", &opened,
               &call.crc, &zeroed);
        call.opened = opened != 0;
        call.zeroFilled = zeroed != 0;
        if (const std::size_t state = line.find(" state=", tail); state != std::string::npos)
            call.state = line.substr(state + 7);
        calls.push_back(call);
    }
    return calls;
}

std::unique_ptr<Program> Program::WaitForWatcher(DWORD timeoutMs) const {
    std::vector<DWORD> found;
    if (!WaitUntil(
            [&] { return !(found = StartedBy(process_.dwProcessId, process_.hProcess, name_)).empty(); },
            timeoutMs))
        return nullptr;
    return std::make_unique<Program>(found.front());
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

HWND Program::Focus() const {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(process_.dwThreadId, &gui) ? gui.hwndFocus : nullptr;
}

HWND Program::Front(Caller caller) const {
    const auto trace = TraceFrom(caller);
    HWND front = WaitForWindow();
    EXPECT_NE(front, nullptr) << "nothing is shown";
    return front;
}

bool Program::DialogInFront(Caller caller) const {
    return TextOf(Front(caller)) == golden::kDialogTitle;
}

MessageBoxView Program::Box(Caller caller) const {
    HWND front = Front(caller);
    // Every box is modal over the main window.
    const auto trace = TraceFrom(caller);
    EXPECT_EQ(GetWindow(front, GW_OWNER), window) << "the box belongs to no window";
    EXPECT_FALSE(IsWindowEnabled(window)) << "the main window takes input behind a box";
    return ReadMessageBox(front);
}

void Program::ClickUpdate() {
    Press(window, golden::kUpdateButton);
}

void Program::Pick(const std::wstring& name, Caller caller) {
    const auto trace = TraceFrom(caller);
    HWND dialog = Front(caller);
    ASSERT_EQ(TextOf(dialog), golden::kDialogTitle);
    ASSERT_EQ(GetWindow(dialog, GW_OWNER), window) << "the dialog belongs to the main window";
    ASSERT_FALSE(IsWindowEnabled(window)) << "the main window takes input behind the dialog";
    if (!name.empty()) TypeFileName(dialog, name);
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitGone(dialog));
}

void Program::Answer(int button, Caller caller) {
    const auto trace = TraceFrom(caller);
    HWND box = Front(caller);
    if (button == kCloseBox)
        Close(box);
    else
        Press(box, button);
    ASSERT_TRUE(WaitGone(box));
}

void Program::Confirm(const std::wstring& name, Caller caller) {
    const auto trace = TraceFrom(caller);
    EXPECT_EQ(Box(caller), ConfirmationBox(File(name)));
    Answer(IDOK, caller);
}

void Program::Flash(const std::wstring& name, Caller caller) {
    ClickUpdate();
    Pick(name, caller);
    Confirm(name, caller);
}

void Program::ExpectIdle(Caller caller) {
    const auto trace = TraceFrom(caller);
    EXPECT_TRUE(WaitUntil([&] { return Windows() == std::vector<HWND>{window}; }))
        << "a dialog or message is still shown";
    EXPECT_FALSE(WaitUntil([&] { return Windows() != std::vector<HWND>{window}; }, 300))
        << "a dialog or message opened again";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(window); })) << "the window stays disabled";
    // Space and Enter must work at once, without a click to find the button.
    EXPECT_TRUE(WaitUntil([&] { return Focus() == GetDlgItem(window, golden::kUpdateButton); }))
        << "the button does not have the focus";
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

}  // namespace

Footprint FootprintOf(const Program& process) {
    DWORD windows = 0;
    for (HWND window : TopLevelWindows(process.Id(), false)) {
        ++windows;
        EnumChildWindows(
            window, [](HWND, LPARAM param) -> BOOL { return ++*reinterpret_cast<DWORD*>(param) != 0; },
            reinterpret_cast<LPARAM>(&windows));
    }
    return {HandlesOf(process.Id()), windows};
}
