#include "library_result.h"

#include <gtest/gtest.h>

#include <limits>

#include "app_error.h"

namespace {

TEST(LibraryResult, NarrowingKeepsEverySixteenBitValueAndRefusesTheRestWithOverflow) {
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
