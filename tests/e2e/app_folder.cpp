#include "app_folder.h"

#include <windows.h>

#include <shellapi.h>

#include <stdexcept>

#include "scoped_handle.h"

namespace {

std::wstring Parent(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

// The driver lives in <build>\e2e\; the program in <build>\bin\.
std::wstring BuildFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return Parent(Parent(self));
}

// Call right after the call that gave `ok`: the error code is read first.
void Require(bool ok, const char* action, const std::wstring& subject) {
    if (ok) return;
    const DWORD error = GetLastError();
    throw std::runtime_error(std::string("cannot ") + action + " " +
                             std::string(subject.begin(), subject.end()) + " (error " +
                             std::to_string(error) + ")");
}

std::wstring EnvironmentOr(const wchar_t* name, const std::wstring& fallback) {
    wchar_t value[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value) : fallback;
}

void RemoveTree(const std::wstring& path) {
    std::wstring from = path;
    from.push_back(L'\0');  // SHFileOperation takes a double-NUL list
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

}  // namespace

std::wstring AppFolder::Built(const std::wstring& relative) {
    // KORVANI_E2E_BUILD names another build whose program is under test (the win32 release).
    static const std::wstring build = EnvironmentOr(L"KORVANI_E2E_BUILD", BuildFolder());
    return build + L"\\" + relative;
}

std::wstring AppFolder::WorkFile(const std::wstring& name) {
    // KORVANI_E2E_WORK moves the work area, e.g. to a neutral path for pictures.
    static const std::wstring work = EnvironmentOr(L"KORVANI_E2E_WORK", BuildFolder() + L"\\e2e-work");
    CreateDirectoryW(work.c_str(), nullptr);
    return work + L"\\" + name;
}

AppFolder::AppFolder(const std::wstring& name, const std::wstring& programName,
                     const std::wstring& builtProgram)
    : path_(WorkFile(name)), programName_(programName) {
    RemoveTree(path_);
    Require(CreateDirectoryW(path_.c_str(), nullptr) != 0, "create", path_);
    Copy(builtProgram, programName);
}

AppFolder& AppFolder::WithStandardLibraries() {
    Copy(L"bin\\OSCdll.DLL", L"OSCdll.DLL").Copy(L"bin\\OSCdllHelper.dll", L"OSCdllHelper.dll");
    return Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
}

AppFolder& AppFolder::Copy(const std::wstring& builtFile, const std::wstring& nameHere) {
    Require(CopyFileW(Built(builtFile).c_str(), File(nameHere).c_str(), FALSE) != 0, "copy", builtFile);
    return *this;
}

AppFolder& AppFolder::Write(const std::wstring& nameHere, const std::string& contents) {
    const ScopedHandle file(
        CreateFileW(File(nameHere).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Require(file.valid(), "write", nameHere);
    DWORD written;
    Require(WriteFile(file.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
                written == contents.size(),
            "write", nameHere);
    return *this;
}

std::string ReadWholeFile(const std::wstring& path) {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return std::string();
    std::string contents;
    char chunk[4096];
    DWORD read;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        contents.append(chunk, read);
    return contents;
}
