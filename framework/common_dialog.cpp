#include "common_dialog.h"

#include <cderr.h>
#include <commdlg.h>

#include "common_dialog_error.h"
#include "exported_function.h"
#include "file_filter.h"
#include "stale_input.h"

namespace {

// Room for the longest path Windows knows.
constexpr std::size_t kFileNameCapacity = 32767;

struct DialogLibrary {
    decltype(&GetOpenFileNameW) getOpenFileName;
    decltype(&CommDlgExtendedError) extendedError;
};

// Loaded when the dialog is first wanted: it brings the shell with it, which
// start-up does not need. By full path from the system folder, never searched.
const DialogLibrary& Comdlg32() {
    static const DialogLibrary library = [] {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        HMODULE module = length > 0 && length < MAX_PATH
                             ? LoadLibraryW((std::wstring(system, length) + L"\\comdlg32.dll").c_str())
                             : nullptr;
        const DialogLibrary loaded = {
            ExportedFunction<decltype(&GetOpenFileNameW)>(module, "GetOpenFileNameW"),
            ExportedFunction<decltype(&CommDlgExtendedError)>(module, "CommDlgExtendedError")};
        if (loaded.getOpenFileName == nullptr || loaded.extendedError == nullptr)
            throw CommonDialogError(CDERR_DIALOGFAILURE);  // not initialised: tried again next time
        return loaded;
    }();
    return library;
}

}  // namespace

void CommonDialog::ShowOpen(HWND owner) {
    const DialogLibrary& comdlg32 = Comdlg32();
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

    // A key still queued from the click, or still held, must not answer the dialog.
    bool chosen;
    {
        const IgnoreStaleInput staleInput;
        chosen = comdlg32.getOpenFileName(&ofn);
    }
    if (chosen) {
        fileName_ = buffer.c_str();
        FilterIndex = static_cast<std::int16_t>(ofn.nFilterIndex);
        return;
    }
    const DWORD code = comdlg32.extendedError();
    if (code == 0 && !CancelError) {
        fileName_.clear();
        return;
    }
    throw CommonDialogError(code);
}
