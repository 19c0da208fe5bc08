#include "sim_log.h"

#include <windows.h>

void AppendToSimLog(const std::string& line) {
    wchar_t logPath[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableW(L"KORVANI_SIM_LOG", logPath, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4) return;
    HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written;
    WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(log);
}
