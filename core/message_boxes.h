// Every message of the update dialogue, as data: text, title, buttons and icon.
#pragma once

#include <string>

#include "app_error.h"
#include "flash_result.h"
#include "message_box_contents.h"

// Windows message-box values (MB_*, ID*); the core keeps them as numbers so it
// needs no windows.h, and the shell checks them against the real ones.
constexpr int kButtonsOk = 0;
constexpr int kButtonsOkCancel = 1;
constexpr int kButtonsRetryCancel = 5;
constexpr int kIconExclamation = 48;

constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerRetry = 4;

MessageBoxContents SelectionErrorBox(const AppError& error);
MessageBoxContents ConfirmationBox(const std::wstring& path);
MessageBoxContents SuccessBox();
MessageBoxContents WrongFileBox();
MessageBoxContents DeviceNotFoundBox();
MessageBoxContents UnexpectedResultBox();

// Why the library was not called: another copy is in an update, or the path
// is one the library cannot open.
MessageBoxContents RefusalBox(FlashRefusal refusal, const std::wstring& path);
