#pragma once

#include <cstdint>

#include "app_error.h"

// The error raised for a failed open-file dialog, numbered as the classic
// common-dialog control numbers it: 0x7FFF minus the extended error code, and
// 32755 for 0, a cancel by the user.
AppError CommonDialogError(std::uint32_t extendedErrorCode);
