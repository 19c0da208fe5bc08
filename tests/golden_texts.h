// What the program shows, as its users know it, byte for byte: the tests' own
// copy, never the program's constants, and the only one, for the unit and the
// end-to-end tests alike.
#pragma once

#include <string>

#include "product.h"  // the support wiki: a build setting

namespace golden {

inline constexpr wchar_t kAppTitle[] = L"Korvani Update";
inline constexpr wchar_t kWindowTitle[] = L"Korvani Update 1.1";
inline constexpr wchar_t kButtonCaption[] = L"Korvani update";
inline constexpr wchar_t kDialogTitle[] = L"Select the new firmware file";
inline constexpr wchar_t kBinFiles[] = L"Bin Files (*.bin)";
inline constexpr wchar_t kAllFiles[] = L"All Files (*.*)";

inline constexpr wchar_t kConfirmationTitle[] = L"Confirmation";
inline std::wstring ConfirmationText(const std::wstring& path) {
    return L"Are you sure you want to update your Korvani with \n" + path + L"?";
}
inline constexpr wchar_t kSuccessTitle[] = L"Updated!";
inline constexpr wchar_t kSuccessText[] =
    L"Remember to unplug and replug again the Korvani\nin order to activate the new version";
inline constexpr wchar_t kWarningTitle[] = L"Warning";
inline constexpr wchar_t kWrongFileText[] = L"The selected file is not a firmware binary.";
inline constexpr wchar_t kDeviceNotFoundText[] =
    L"The erased Korvani is not recognized; please make sure\n"
    L"you have disconnected and reconnected again an Windows\n"
    L"has recognized the new device";
inline constexpr wchar_t kUnexpectedText[] =
    L"Unexpected error.\nYou can try again or check Quellmar's wiki web\n"
    L"(" KORVANI_SUPPORT_WIKI ") for help and tools.";
inline constexpr wchar_t kAnotherUpdateText[] =
    L"Another copy of Korvani Update on this PC is updating a Korvani\n"
    L"or waiting for an answer about it.\n"
    L"Let it finish first, then try again.";
inline constexpr wchar_t kNameTakenText[] =
    L"Another program on this PC holds the name that Korvani Update uses\n"
    L"to keep two updates from writing at once. Nothing was written.\n"
    L"Restart the PC, then try again.";
inline std::wstring PathTooLongText(const std::wstring& path) {
    return L"The library cannot open a file whose path is this long:\n" + path +
           L"\nCopy the file to a short folder such as C:\\Korvani and choose it there.";
}
inline std::wstring PathNotInCodePageText(const std::wstring& path) {
    return L"The library cannot open a file whose path has these characters:\n" + path +
           L"\nCopy the file to a folder such as C:\\Korvani under a name of plain letters,\nand choose it "
           L"there.";
}
inline std::wstring SelectionErrorText(int number, const std::wstring& description) {
    return L"Error " + std::to_wstring(number) + L" selecting file.\r\n" + description;
}

// After "The flashing library failed with exception <code>[ in <module> at offset 0x<offset>]".
inline constexpr wchar_t kLibraryFaultAdvice[] =
    L".\nYour Korvani may have been left erased.\n"
    L"Disconnect it, reconnect it and start the update again.\n"
    L"If this happens again, check Quellmar's wiki web\n(" KORVANI_SUPPORT_WIKI ") for help and tools.";

// After "Korvani Update failed with exception <code>[ in <module> at offset 0x<offset>]".
inline constexpr wchar_t kProgramFaultAdvice[] =
    L" and has to close.\n"
    L"If this happens again, check Quellmar's wiki web\n(" KORVANI_SUPPORT_WIKI ") for help and tools.";

inline constexpr wchar_t kProgramFaultDuringWriteAdvice[] =
    L" while the library was writing the firmware.\n"
    L"The Korvani may be only partly programmed: unplug it, plug it in again, and run the update again.\n"
    L"If this happens again, check Quellmar's wiki web\n(" KORVANI_SUPPORT_WIKI ") for help and tools.";

// What the watcher outside the program says when it ended with status `code`
// (8 hexadecimal digits) while the library was writing...
inline std::wstring UpdateCutShortText(const std::wstring& code) {
    return L"Korvani Update ended while it was writing the firmware (code " + code +
           L").\nThe Korvani may be only partly programmed: unplug it, plug it in again, and run the update "
           L"again.\nIf this happens again, check Quellmar's wiki web\n(" KORVANI_SUPPORT_WIKI
           ") for help and tools.";
}
// ...or after it had answered with what may leave the controller erased, before that box was answered.
inline std::wstring UpdateEndedBeforeAnswerText(const std::wstring& code) {
    return L"Korvani Update ended (code " + code +
           L") before its message about the update was answered.\nThe Korvani may have been left erased: "
           L"unplug it, plug it in again, and run the update again.\nIf this happens again, check Quellmar's "
           L"wiki web\n(" KORVANI_SUPPORT_WIKI ") for help and tools.";
}

// How the program ends, as the README documents it for users' scripts.
inline constexpr unsigned long kExitWindowClosed = 0;
inline constexpr unsigned long kExitUnhandledError = 1;
inline constexpr unsigned long kExitFlashingLibraryMissing = 2;
inline constexpr unsigned long kExitBootLibraryMissing = 3;
inline constexpr unsigned long kExitLibraryFault = 4;

// Not shown, but how the tests find the window and its button, the mutex
// that keeps a second copy from writing, and the watcher's argument.
inline constexpr wchar_t kMainWindowClass[] = L"KorvaniFlasherMain";
inline constexpr int kUpdateButton = 100;
inline constexpr wchar_t kOneUpdateAtATime[] = L"Global\\KorvaniFWUpdater.Flashing";
inline constexpr wchar_t kWatcherArgument[] = L"/watch-update";

}  // namespace golden
