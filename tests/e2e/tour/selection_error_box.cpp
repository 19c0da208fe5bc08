// Shows the selection-error box through the program's own code, for the
// picture tour: Windows' file dialog only fails this way when it cannot run.
#include <windows.h>

#include "common_dialog_error.h"
#include "message_box.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ShowMessageBox(nullptr, SelectionErrorBox(CommonDialogError(0xFFFF)));  // CDERR_DIALOGFAILURE
    return 0;
}
