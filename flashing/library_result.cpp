#include "library_result.h"

#include <limits>

#include "app_error.h"

bool FitsFlashResult(std::int32_t libraryResult) noexcept {
    return libraryResult >= std::numeric_limits<FlashResult>::min() &&
           libraryResult <= std::numeric_limits<FlashResult>::max();
}

FlashResult NarrowToFlashResult(std::int32_t libraryResult) {
    if (!FitsFlashResult(libraryResult)) throw AppError{kErrOverflow, L"Overflow"};
    return static_cast<FlashResult>(libraryResult);
}
