#pragma once

#include <windows.h>

#include "app_error.h"

// A failed Windows call as a run-time error. Call it right after the failing
// call: it reads GetLastError() before anything else can overwrite it.
AppError LastWin32Error(const wchar_t* what);
