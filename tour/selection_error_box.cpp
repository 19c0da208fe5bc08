// Shows, through the program's own code, the boxes the picture tour cannot
// bring about under Wine: the selection error (Windows' file dialog fails this
// way only when it cannot run) and, with /path-too-long, the refusal of a path
// the library cannot open (Wine's file dialog gives no such path back).
#include <windows.h>

#include <cwchar>

#include "application.h"
#include "common_dialog_error.h"
#include "message_box.h"
#include "message_boxes.h"

const wchar_t kApplicationTitle[] = L"Korvani Update";

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const MessageBoxContents box =
        std::wcsstr(arguments, L"/path-too-long") != nullptr
            ? RefusalBox(FlashRefusal::PathTooLong,
                         L"C:\\Users\\Ana\\Documents\\Observatory\\Equipment\\Korvani controller\\Firmware "
                         L"from the maker\\2026\\December\\Release candidates sent for testing at the "
                         L"observatory\\Korvani controller firmware version 1.1, the full image for the "
                         L"256 KiB flash.bin")
            : SelectionErrorBox(CommonDialogError(0xFFFF));  // CDERR_DIALOGFAILURE
    ShowMessageBox(nullptr, box.text, box.title ? box.title->c_str() : kApplicationTitle,
                   static_cast<UINT>(box.style));
    return 0;
}
