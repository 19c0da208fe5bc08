// What one flashing attempt answered, and what it means to the user.
#pragma once

#include <cstdint>

using FlashResult = std::int16_t;

enum class FlashOutcome {
    Success,              // 0
    ErasedNotRecognised,  // -2: erased, but the system has not found the erased device yet
    NotFirmware,          // -3, -4
    Unexpected,           // anything else
};

FlashOutcome ClassifyFlashResult(FlashResult result);

// Why the program did not call the library, as told to the user.
enum class FlashRefusal {
    AnotherCopyUpdating,  // another copy on this PC is in an update: two writers would corrupt the controller
    OneFlashNameTaken,    // another program holds the name that keeps copies apart
    PathTooLong,          // the library cannot open a path this long
    PathNotInCodePage,    // nor one with characters outside the system's code page
};
