// The library answers in 32 bits; the program works with 16.
#pragma once

#include <cstdint>

#include "flash_result.h"

bool FitsFlashResult(std::int32_t libraryResult) noexcept;
// A value outside 16 bits throws the overflow error.
FlashResult NarrowToFlashResult(std::int32_t libraryResult);
