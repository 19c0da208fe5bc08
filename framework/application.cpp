#include "application.h"

#include <windows.h>

#include "app_directory.h"
#include "message_box.h"
#include "unhandled_error.h"
#include "win32_error.h"

namespace {

// What WM_QUIT carries after an unhandled error; the last window's close posts 0.
constexpr int kQuitAfterUnhandledError = 1;

}  // namespace

std::wstring AppExecutable() {
    // Paths can be longer than MAX_PATH; grow until the name fits.
    std::wstring modulePath(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, modulePath.data(), static_cast<DWORD>(modulePath.size()));
        if (length == 0) throw LastWin32Error(L"GetModuleFileNameW");
        if (length < modulePath.size()) {
            modulePath.resize(length);
            return modulePath;
        }
        modulePath.resize(modulePath.size() * 2);
    }
}

std::wstring AppPath() {
    return AppDirectoryFromModulePath(AppExecutable());
}

RunEnd RunMessageLoop() {
    MSG message;
    BOOL status;
    while ((status = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (status == -1) return RunEnd::UnhandledError;
        // Tab and Enter work on the main window as in a dialog.
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.wParam == 0 ? RunEnd::LastWindowClosed : RunEnd::UnhandledError;
}

void ReportUnhandledError(std::exception_ptr error) noexcept {
    try {
        const MessageBoxContents box = UnhandledErrorBox(ToAppError(error));
        ShowMessageBox(nullptr, box.text, kApplicationTitle, static_cast<UINT>(box.style));
    } catch (...) {
        // Nothing more can be told; the exit status still says it.
    }
    PostQuitMessage(kQuitAfterUnhandledError);
}
