// Every message of the update dialogue, as data: text, title, buttons and icon.
#pragma once

#include <optional>
#include <string>

#include "app_error.h"

// Windows message-box values (MB_*, ID*); the core keeps them as numbers so it
// needs no windows.h, and the shell checks them against the real ones.
constexpr int kButtonsOk = 0;
constexpr int kButtonsOkCancel = 1;
constexpr int kButtonsRetryCancel = 5;
constexpr int kIconExclamation = 48;

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

// Another copy of the program is writing a controller: this one does not.
MessageBoxContents AnotherUpdateRunningBox();
