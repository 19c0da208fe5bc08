#include "common_dialog.h"

#include <commdlg.h>

#include "common_dialog_error.h"
#include "file_filter.h"

namespace {
// Room for the longest path Windows knows.
constexpr std::size_t kFileNameCapacity = 32767;
}

void CommonDialog::ShowOpen(HWND owner) {
    const std::wstring filter = FilterForOpenFileDialog(Filter);
    // Starting from the previous choice opens the dialog where the user left it.
    std::wstring buffer = fileName_;
    buffer.resize(kFileNameCapacity + 1, L'\0');

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = InitDir.empty() ? nullptr : InitDir.c_str();
    ofn.lpstrTitle = DialogTitle.empty() ? nullptr : DialogTitle.c_str();
    ofn.Flags = static_cast<DWORD>(Flags);

    if (GetOpenFileNameW(&ofn)) {
        fileName_ = buffer.c_str();
        FilterIndex = static_cast<std::int16_t>(ofn.nFilterIndex);
        return;
    }
    const DWORD code = CommDlgExtendedError();
    if (code == 0 && !CancelError) {
        fileName_.clear();
        return;
    }
    throw CommonDialogError(code);
}
