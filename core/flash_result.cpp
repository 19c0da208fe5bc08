#include "flash_result.h"

#include <limits>

#include "app_error.h"

FlashOutcome ClassifyFlashResult(FlashResult result) {
    if (result == 0) return FlashOutcome::Success;
    if (result < -4) return FlashOutcome::Unexpected;
    if (result <= -3) return FlashOutcome::NotFirmware;
    if (result == -2) return FlashOutcome::ErasedNotRecognised;
    return FlashOutcome::Unexpected;
}

bool FitsFlashResult(std::int32_t libraryResult) noexcept {
    return libraryResult >= std::numeric_limits<FlashResult>::min() &&
           libraryResult <= std::numeric_limits<FlashResult>::max();
}

FlashResult NarrowToFlashResult(std::int32_t libraryResult) {
    if (!FitsFlashResult(libraryResult)) throw AppError{kErrOverflow, L"Overflow"};
    return static_cast<FlashResult>(libraryResult);
}
