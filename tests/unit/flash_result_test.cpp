#include "flash_result.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "app_error.h"

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

TEST(FlashResult, NarrowingKeepsEverySixteenBitValueAndRefusesTheRestWithOverflow) {
    for (std::int32_t value : {-32768, -32767, -5, -4, -3, -2, -1, 0, 1, 32766, 32767})
        EXPECT_EQ(NarrowToFlashResult(value), value);
    for (std::int32_t value : {32768, -32769, 65536, 65534, std::numeric_limits<std::int32_t>::max(),
                               std::numeric_limits<std::int32_t>::min()}) {
        try {
            ADD_FAILURE() << value << " was narrowed to " << NarrowToFlashResult(value);
        } catch (const AppError& error) {
            EXPECT_EQ(error.number, kErrOverflow);
            EXPECT_EQ(error.description, L"Overflow");
        }
    }
}

}  // namespace
