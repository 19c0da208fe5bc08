#pragma once

#include <windows.h>

#include <string>

// Shows a modal message box over `owner` and returns the user's answer; throws
// AppError when it cannot be shown.
int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* title, UINT style);
