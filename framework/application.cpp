#include "application.h"

#include <windows.h>

#include "app_directory.h"
#include "message_box.h"
#include "message_boxes.h"
#include "win32_error.h"

std::wstring AppPath() {
    // Paths can be longer than MAX_PATH; grow until the name fits.
    std::wstring modulePath(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, modulePath.data(), static_cast<DWORD>(modulePath.size()));
        if (length == 0) throw LastWin32Error(L"GetModuleFileNameW");
        if (length < modulePath.size()) {
            modulePath.resize(length);
            return AppDirectoryFromModulePath(modulePath);
        }
        modulePath.resize(modulePath.size() * 2);
    }
}

int RunMessageLoop() {
    MSG message;
    BOOL status;
    while ((status = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (status == -1) return kExitUnhandledError;
        // Tab and Enter work on the main window as in a dialog.
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void ReportUnhandledError(std::exception_ptr error) noexcept {
    try {
        ShowMessageBox(nullptr, UnhandledErrorBox(ToAppError(error)));
    } catch (...) {
        // Nothing more can be told; the exit status still says it.
    }
    PostQuitMessage(kExitUnhandledError);
}
