// Every message the program shows, as data: text, title, buttons and icon.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app_error.h"

// Windows message-box values (MB_*, ID*); the core keeps them as numbers so it
// needs no windows.h, and the shell checks them against the real ones.
constexpr int kButtonsOk = 0;
constexpr int kButtonsOkCancel = 1;
constexpr int kButtonsRetryCancel = 5;
constexpr int kIconError = 16;
constexpr int kIconExclamation = 48;
constexpr int kTaskModal = 0x2000;  // no window of the program takes input meanwhile
constexpr int kTopmost = 0x40000;

constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerRetry = 4;

struct MessageBoxContents {
    std::wstring text;
    std::optional<std::wstring> title;  // none: the application title shows
    int style;                          // buttons + icon
};

MessageBoxContents SelectionErrorBox(const AppError& error);
MessageBoxContents ConfirmationBox(const std::wstring& path);
MessageBoxContents SuccessBox();
MessageBoxContents WrongFileBox();
MessageBoxContents DeviceNotFoundBox();
MessageBoxContents UnexpectedResultBox();

// What the program says when a run-time error reaches it unhandled.
MessageBoxContents UnhandledErrorBox(const AppError& error);

// What the program says when the flashing library crashes, shown with the
// application title. Written into `text`, cut short where it does not fit,
// without allocating: the heap may be broken by then. `module` is empty when
// the place of the fault is unknown.
constexpr int kLibraryFaultStyle = kButtonsOk + kIconError + kTaskModal + kTopmost;
void WriteLibraryFaultText(std::span<wchar_t> text, std::uint32_t code, std::wstring_view module,
                           std::uintptr_t offset);

// What Windows shows while the program holds off a shutdown or log-off.
inline constexpr const wchar_t* kShutdownBlockReason =
    L"A firmware update is running. Do not turn off the computer or unplug the Korvani.";
