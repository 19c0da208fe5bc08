#include "app_directory.h"

std::wstring AppDirectoryFromModulePath(const std::wstring& modulePath) {
    const auto separator = modulePath.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::wstring();
    std::wstring directory = modulePath.substr(0, separator);
    // "C:" alone means the drive's current directory, not its root.
    if (directory.size() == 2 && directory[1] == L':') directory += L'\\';
    // "\\?\C:" likewise.
    if (directory.size() == 6 && directory.compare(0, 4, L"\\\\?\\") == 0 && directory[5] == L':')
        directory += L'\\';
    return directory;
}

std::wstring PathInDirectory(const std::wstring& directory, const std::wstring& fileName) {
    // Windows drops the doubled separator after "C:\", but a "\\?\" path is
    // taken as it is written and would name nothing.
    if (directory.rfind(L"\\\\?\\", 0) == 0 && directory.back() == L'\\') return directory + fileName;
    return directory + L"\\" + fileName;
}
