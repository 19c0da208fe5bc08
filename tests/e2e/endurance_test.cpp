// Hundreds of update passes in one process, mixing every result and every
// answer: the program must still answer correctly, and leave no objects behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "driver.h"

namespace {

int Passes() {
    const char* passes = std::getenv("KORVANI_SOAK_PASSES");
    return passes != nullptr ? std::atoi(passes) : 30;
}

// Everything the library can answer, out-of-range values included.
const long kResults[] = {0, -2, -3, -4, -1, -5, -32768, 1, 32767, 32768, -32769};

// A user who answers at random; `script` is what the library answers.
struct Passenger {
    Program& session;
    std::mt19937& random;
    const std::vector<long>& script;
    std::size_t flashes = 0;  // flashing calls the user let happen
    std::size_t picks = 0;    // files accepted in the open-file dialog

    // One click, to its end.
    void Pass() {
        session.ClickUpdate();
        for (;;) {
            if (Draw(8) == 0) return session.Answer(IDCANCEL);  // gives up in the dialog
            session.Pick();
            ++picks;
            const int confirm = Draw(6);
            if (confirm <= 1) {
                session.Answer(confirm == 0 ? IDCANCEL : kCloseBox);
                continue;  // back in the dialog
            }
            session.Answer(IDOK);
            if (!FlashUntilDone()) return;
        }
    }

    // Flashes, with retries of an erased device; true when the user wants the dialog again.
    bool FlashUntilDone() {
        for (;;) {
            const long result = script.at(flashes++);
            const MessageBoxView box = session.Box();
            if (result == 0) {
                EXPECT_EQ(box.text, golden::kSuccessText);
                session.Answer(IDOK);
                return false;
            }
            EXPECT_EQ(box.text, result == -2                   ? golden::kDeviceNotFoundText
                                : result == -3 || result == -4 ? golden::kWrongFileText
                                                               : golden::kUnexpectedText)
                << result;

            const int answer = Draw(3);
            if (answer != 0) {
                session.Answer(answer == 1 ? IDCANCEL : kCloseBox);
                return false;
            }
            session.Answer(IDRETRY);
            if (result != -2) return true;
        }
    }

    int Draw(int choices) { return static_cast<int>(random() % static_cast<unsigned>(choices)); }
};

TEST(Endurance, ManyUpdatePassesLeaveTheProgramAsTheyFoundIt) {
    const int passes = Passes();
    std::mt19937 random(2026);
    // Drawn in advance, so the driver knows which box each flash brings.
    std::vector<long> script;
    std::string results;
    for (int i = 0; i < passes * 8; ++i) {
        script.push_back(kResults[random() % std::size(kResults)]);
        if (i > 0) results += ',';
        results += std::to_string(script.back());
    }
    Program session(L"endurance");
    session.WithLibraries().Open(results);

    // One pass first, so what the dialog loads once is not counted as growth.
    session.ClickUpdate();
    session.Answer(IDCANCEL);
    session.ExpectIdle();
    const Footprint before = FootprintOf(session);

    Passenger user{session, random, script};
    for (int pass = 0; pass < passes && !::testing::Test::HasFatalFailure(); ++pass) {
        user.Pass();
        session.ExpectIdle();
    }

    const Footprint after = FootprintOf(session);
    EXPECT_TRUE(session.IsRunning());
    EXPECT_TRUE(SendMessageTimeoutW(session.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr));
    EXPECT_EQ(session.Calls().size(), user.flashes) << "one library call per confirmed flash or retry";
    // Wine's open-file dialog keeps one handle each time it accepts a file (a
    // Cancel releases it); that growth is the dialog's, anything beyond is ours.
    EXPECT_LE(after.handles, before.handles + user.picks + 10);
    EXPECT_GT(after.windows, 0u) << "the window count is read";
    EXPECT_LE(after.windows, before.windows);
    std::printf("%d passes, %zu picks, %zu flashes; handles %lu -> %lu, windows %lu -> %lu\n", passes,
                user.picks, user.flashes, before.handles, after.handles, before.windows, after.windows);
}

TEST(Endurance, MissingEntryPointKeepsFailingCleanly) {
    Program session(L"endurance-no-export");
    session.WithLibraries(L"sim-variants\\no-export\\OSCdll.DLL").Open("0");
    session.ClickUpdate();
    for (int attempt = 0; attempt < std::max(3, Passes() / 10); ++attempt) {
        session.Pick();
        session.Answer(IDOK);
        EXPECT_EQ(session.Box().text, golden::kUnexpectedText);
        session.Answer(IDRETRY);
    }
    session.Answer(IDCANCEL);
    session.ExpectIdle();
    EXPECT_TRUE(SendMessageTimeoutW(session.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr));
}

}  // namespace
