#include "message_boxes.h"

#include "app_title.h"
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
        L"You can try again or check Quellmar's wiki web\n"
        L"(" KORVANI_SUPPORT_WIKI ") for help and tools.",
        L"Warning", kButtonsRetryCancel};
}

MessageBoxContents UnhandledErrorBox(const AppError& error) {
    return {L"Run-time error '" + std::to_wstring(error.number) + L"':\r\n\r\n" + error.description,
            kAppTitle, kButtonsOk + kIconError + kTaskModal};
}

namespace {

// Appends to a fixed buffer and always leaves it NUL-terminated.
class FixedText {
public:
    explicit FixedText(std::span<wchar_t> buffer) : buffer_(buffer) {
        if (!buffer_.empty()) buffer_[0] = L'\0';
    }
    FixedText& operator<<(std::wstring_view piece) {
        for (wchar_t c : piece) {
            if (length_ + 1 >= buffer_.size()) break;
            buffer_[length_++] = c;
            buffer_[length_] = L'\0';
        }
        return *this;
    }
    FixedText& Hex(std::uintmax_t value, int minDigits) {
        wchar_t digits[2 * sizeof value];
        int count = 0;
        do {
            digits[count++] = L"0123456789ABCDEF"[value % 16];
            value /= 16;
        } while (value != 0 || count < minDigits);
        while (count > 0) *this << std::wstring_view(&digits[--count], 1);
        return *this;
    }

private:
    std::span<wchar_t> buffer_;
    std::size_t length_ = 0;
};

}  // namespace

void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset) {
    FixedText out(text);
    out << L"The flashing library failed with exception ";
    out.Hex(code, 8);
    if (!module.empty()) (out << L" in " << module << L" at offset 0x").Hex(offset, 1);
    out << L".\nYour Korvani may have been left erased.\n"
           L"Disconnect it, reconnect it and start the update again.\n"
           L"If this happens again, check Quellmar's wiki web\n"
           L"(" KORVANI_SUPPORT_WIKI L") for help and tools.";
}
