#include "message_boxes.h"

#include "product.h"

// Users and support compare these texts with what they know: keep them byte for
// byte, line breaks included (only the selection error uses CR LF).

MessageBoxContents SelectionErrorBox(const AppError& error) {
    return {L"Error " + std::to_wstring(error.number) + L" selecting file.\r\n" + error.description,
            std::nullopt, kButtonsOk};
}

MessageBoxContents ConfirmationBox(const std::wstring& path) {
    return {L"Are you sure you want to update your Korvani with \n" + path + L"?", L"Confirmation",
            kButtonsOkCancel};
}

MessageBoxContents SuccessBox() {
    return {L"Remember to unplug and replug again the Korvani\nin order to activate the new version",
            L"Updated!", kButtonsOk + kIconExclamation};
}

MessageBoxContents WrongFileBox() {
    return {L"The selected file is not a firmware binary.", L"Warning", kButtonsRetryCancel};
}

MessageBoxContents DeviceNotFoundBox() {
    return {
        L"The erased Korvani is not recognized; please make sure\n"
        L"you have disconnected and reconnected again an Windows\n"
        L"has recognized the new device",
        L"Warning", kButtonsRetryCancel};
}

MessageBoxContents UnexpectedResultBox() {
    return {
        L"Unexpected error.\n"
        L"You can try again or " KORVANI_WIKI_HELP,
        L"Warning", kButtonsRetryCancel};
}

MessageBoxContents RefusalBox(FlashRefusal refusal, const std::wstring& path) {
    constexpr int kStyle = kButtonsOk + kIconExclamation;
    switch (refusal) {
        case FlashRefusal::AnotherCopyUpdating:
            // The other copy may be in another user's session, out of this user's sight.
            return {
                L"Another copy of Korvani Update on this PC is updating a Korvani\n"
                L"or waiting for an answer about it.\n"
                L"Let it finish first, then try again.",
                std::nullopt, kStyle};
        case FlashRefusal::OneFlashNameTaken:
            return {
                L"Another program on this PC holds the name that Korvani Update uses\n"
                L"to keep two updates from writing at once. Nothing was written.\n"
                L"Restart the PC, then try again.",
                std::nullopt, kStyle};
        case FlashRefusal::PathTooLong:
            return {L"The library cannot open a file whose path is this long:\n" + path +
                        L"\nCopy the file to a short folder such as C:\\Korvani and choose it there.",
                    std::nullopt, kStyle};
        case FlashRefusal::PathNotInCodePage: break;
    }
    return {L"The library cannot open a file whose path has these characters:\n" + path +
                L"\nCopy the file to a folder such as C:\\Korvani under a name of plain letters,\n"
                L"and choose it there.",
            std::nullopt, kStyle};
}
