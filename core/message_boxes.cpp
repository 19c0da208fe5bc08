#include "message_boxes.h"

#include "app_title.h"
#include "product.h"

// Users and support compare these texts with what they know: keep them byte for
// byte, line breaks included (only the selection error uses CR LF).

MessageBoxSpec SelectionErrorBox(const AppError& error) {
    return {L"Error " + std::to_wstring(error.number) + L" selecting file.\r\n" + error.description,
            std::nullopt, kButtonsOk};
}

MessageBoxSpec ConfirmationBox(const std::wstring& path) {
    return {L"Are you sure you want to update your Korvani with \n" + path + L"?", L"Confirmation",
            kButtonsOkCancel};
}

MessageBoxSpec SuccessBox() {
    return {L"Remember to unplug and replug again the Korvani\nin order to activate the new version",
            L"Updated!", kButtonsOk + kIconExclamation};
}

MessageBoxSpec WrongFileBox() {
    return {L"The selected file is not a firmware binary.", L"Warning", kButtonsRetryCancel};
}

MessageBoxSpec DeviceNotFoundBox() {
    return {
        L"The erased Korvani is not recognized; please make sure\n"
        L"you have disconnected and reconnected again an Windows\n"
        L"has recognized the new device",
        L"Warning", kButtonsRetryCancel};
}

MessageBoxSpec UnexpectedResultBox() {
    return {
        L"Unexpected error.\n"
        L"You can try again or check Quellmar's wiki web\n"
        L"(" KORVANI_SUPPORT_WIKI ") for help and tools.",
        L"Warning", kButtonsRetryCancel};
}

MessageBoxSpec UnhandledErrorBox(const AppError& error) {
    return {L"Run-time error '" + std::to_wstring(error.number) + L"':\r\n\r\n" + error.description,
            kAppTitle, kButtonsOk + kIconError + kTaskModal};
}
