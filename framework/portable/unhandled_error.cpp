#include "unhandled_error.h"

std::wstring UnhandledErrorText(const AppError& error) {
    return L"Run-time error '" + std::to_wstring(error.number) + L"':\r\n\r\n" + error.description;
}
