#include "flash_result.h"

#include <gtest/gtest.h>

namespace {

TEST(FlashResult, EveryValueOf16BitsHasOneMeaning) {
    for (int value = -32768; value <= 32767; ++value) {
        FlashOutcome expected = FlashOutcome::Unexpected;
        if (value == 0) expected = FlashOutcome::Success;
        if (value == -2) expected = FlashOutcome::ErasedNotRecognised;
        if (value == -3 || value == -4) expected = FlashOutcome::NotFirmware;
        ASSERT_EQ(ClassifyFlashResult(static_cast<FlashResult>(value)), expected) << value;
    }
}

}  // namespace
