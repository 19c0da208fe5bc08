// The driver's entry point: GoogleTest, where every failed check ends its test
// at once. A program left in an unexpected state makes every later wait in the
// same test time out, and its failures would point at nothing useful.
#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

namespace {

// Only failed checks end their test. An exception that escaped a test is
// reported from inside GoogleTest's own handler, without a file: throwing
// there would end the whole run instead of that one test.
class EndTestOnFailure : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed() && result.file_name() != nullptr && std::uncaught_exceptions() == 0)
            throw ::testing::AssertionException(result);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Each line as it comes, into a pipe too: a run cut short still shows its cases.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::testing::InitGoogleTest(&argc, argv);
    // After the default printer, so the failure is reported before the test ends.
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndTestOnFailure);
    return RUN_ALL_TESTS();
}
