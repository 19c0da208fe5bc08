#include "win32_error.h"

#include <string>

AppError LastWin32Error(const wchar_t* what) {
    const DWORD code = GetLastError();
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring description = what;
    if (length != 0) {
        std::wstring text(message, length);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
            text.pop_back();
        description += L": " + text;
    } else {
        description += L": error " + std::to_wstring(code);
    }
    LocalFree(message);
    return {kErrInternal, description};
}
