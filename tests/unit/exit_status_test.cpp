#include "exit_status.h"

#include <gtest/gtest.h>

namespace {

// Users' scripts test these numbers, as the README gives them; every other
// test uses the names.
TEST(ExitStatus, NumbersAreTheDocumentedOnes) {
    EXPECT_EQ(kExitWindowClosed, 0);
    EXPECT_EQ(kExitUnhandledError, 1);
    EXPECT_EQ(kExitFlashingLibraryMissing, 2);
    EXPECT_EQ(kExitBootLibraryMissing, 3);
    EXPECT_EQ(kExitLibraryFault, 4);
}

}  // namespace
