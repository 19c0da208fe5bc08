// Shows the selection-error box through the program's own code, for the
// picture tour: Windows' file dialog only fails this way when it cannot run.
#include <windows.h>

#include "application.h"
#include "common_dialog_error.h"
#include "message_box.h"
#include "message_boxes.h"

const wchar_t kApplicationTitle[] = L"Korvani Update";

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const MessageBoxContents box = SelectionErrorBox(CommonDialogError(0xFFFF));  // CDERR_DIALOGFAILURE
    ShowMessageBox(nullptr, box.text, kApplicationTitle, static_cast<UINT>(box.style));
    return 0;
}
