// A message box as data: what the code that shows it decides, and tests check.
#pragma once

#include <optional>
#include <string>

struct MessageBoxContents {
    std::wstring text;
    std::optional<std::wstring> title;  // none: the application title shows
    int style;                          // Windows MB_* values: buttons + icon + modality
};
