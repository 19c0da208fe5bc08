// The update dialogue behind the one button: choose, confirm, flash, report, retry.
// It talks to the user and the library only through these three interfaces, which
// the Win32 shell implements and the tests replace. Each may throw.
#pragma once

#include <string>
#include <variant>

#include "flash_result.h"
#include "message_boxes.h"

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual void ShowOpen() = 0;  // throws AppError, kErrCancel when the user cancels
    virtual std::wstring FileName() = 0;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual int Show(const MessageBoxContents& box) = 0;  // the user's answer
};

// What one flashing call gives: the library's result, or why it was not called.
using FlashAnswer = std::variant<FlashResult, FlashRefusal>;

// One attempt runs from its first call until the workflow moves on from
// flashing the chosen file, an erased device's retries included.
class FirmwareFlasher {
public:
    virtual ~FirmwareFlasher() = default;
    // Calls the library within the attempt, which the first call starts.
    // Throws AppError when the library cannot be bound or its result does not fit.
    virtual FlashAnswer ProgramFirmwareFile(const std::wstring& path) = 0;
    virtual void OutcomeTold() noexcept = 0;  // the user answered the box that tells the last call's outcome
    virtual void EndAttempt() noexcept = 0;
};

// Runs one click to its end. No exception leaves it.
void RunUpdateWorkflow(FileChooser& dialog, MessageBoxes& boxes, FirmwareFlasher& flasher);
