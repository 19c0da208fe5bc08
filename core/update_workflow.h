// The update dialogue behind the one button: choose, confirm, flash, report, retry.
// It talks to the user and the library only through these three interfaces, which
// the Win32 shell implements and the tests replace. Each may throw.
#pragma once

#include <string>

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

// One attempt runs from the flashing call until the user has answered the box
// that tells its outcome: the machine must not be shut down in between.
class FirmwareFlasher {
public:
    virtual ~FirmwareFlasher() = default;
    // Starts an attempt. Throws AppError kErrPermissionDenied, without calling
    // the library, while another copy of the program is writing a controller.
    virtual FlashResult ProgramFirmwareFile(const std::wstring& path) = 0;
    virtual void OutcomeTold() noexcept = 0;  // ends it
};

// Runs one click to its end. No exception leaves it.
void RunUpdateWorkflow(FileChooser& dialog, MessageBoxes& boxes, FirmwareFlasher& flasher);
