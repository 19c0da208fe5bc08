// An open-file dialog configured by properties, like the classic common-dialog
// control: a cancel can be reported as error 32755 instead of an empty name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CommonDialog {
public:
    std::wstring InitDir;
    std::wstring Filter;           // "description|pattern|description|pattern..."
    std::int16_t FilterIndex = 0;  // counted from 1
    std::wstring DialogTitle;
    std::int32_t Flags = 0;  // OFN_ values
    bool CancelError = false;

    // Shows the modal dialog over `owner`; throws AppError when it fails, and
    // when the user cancels if CancelError is set.
    void ShowOpen(HWND owner);

    const std::wstring& FileName() const { return fileName_; }

private:
    std::wstring fileName_;
};
