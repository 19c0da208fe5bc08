#include "flash_result.h"

FlashOutcome ClassifyFlashResult(FlashResult result) {
    if (result == 0) return FlashOutcome::Success;
    if (result < -4) return FlashOutcome::Unexpected;
    if (result <= -3) return FlashOutcome::NotFirmware;
    if (result == -2) return FlashOutcome::ErasedNotRecognised;
    return FlashOutcome::Unexpected;
}
