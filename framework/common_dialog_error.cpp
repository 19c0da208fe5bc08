#include "common_dialog_error.h"

#include <cstdio>

namespace {

const wchar_t* DescribeCode(std::uint32_t code) {
    switch (code) {
        case 0x0000: return L"Cancel was selected.";
        case 0xFFFF: return L"The function failed to load the dialog box";
        case 0x0002: return L"The function failed during initialization";
        case 0x0009: return L"The function was unable to allocate memory for internal data structures";
        case 0x3001: return L"An attempt to subclass a list box failed due to insufficient memory";
        case 0x3002: return L"Filename is invalid";
        case 0x3003: return L"The buffer at which the member lpstrFile points is too small";
        default: return nullptr;
    }
}

}  // namespace

AppError CommonDialogError(std::uint32_t extendedErrorCode) {
    if (extendedErrorCode == 0) return {kErrCancel, DescribeCode(0)};
    const auto number =
        static_cast<std::int32_t>(0x7FFF - static_cast<std::int64_t>(extendedErrorCode & 0xFFFF));
    if (const wchar_t* description = DescribeCode(extendedErrorCode)) return {number, description};
    wchar_t text[64];
    std::swprintf(text, sizeof text / sizeof text[0], L"The file dialog failed (code 0x%04X)",
                  static_cast<unsigned>(extendedErrorCode));
    return {number, text};
}
