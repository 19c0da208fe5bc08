#pragma once

#include <windows.h>

#include <string>

#include "app_error.h"

// A failed Windows call as a run-time error; `code` is GetLastError() read
// right after the call, before anything else can overwrite it.
AppError Win32Error(const std::wstring& what, DWORD code);
