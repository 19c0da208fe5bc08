#include "unhandled_error.h"

namespace {

constexpr int kIconError = 0x10;
constexpr int kTaskModal = 0x2000;

}  // namespace

MessageBoxContents UnhandledErrorBox(const AppError& error) {
    return {L"Run-time error '" + std::to_wstring(error.number) + L"':\r\n\r\n" + error.description,
            std::nullopt, kIconError + kTaskModal};
}
