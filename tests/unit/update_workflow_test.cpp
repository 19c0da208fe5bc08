#include "update_workflow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <new>
#include <string>
#include <variant>
#include <vector>

namespace {

// While set, every operator new fails: memory has run out.
bool outOfMemory = false;

}  // namespace

void* operator new(std::size_t size) {
    void* memory = outOfMemory ? nullptr : std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using Events = std::vector<std::string>;

const AppError kCancelled{kErrCancel, L"Cancel was selected."};
const AppError kBroken{5, L"Invalid procedure call or argument"};
const AppError kOutOfMemory{kErrOutOfMemory, L"Out of memory"};

// A fake fails as the real thing would: out of memory as std::bad_alloc.
[[noreturn]] void Raise(const AppError& error) {
    if (error.number == kErrOutOfMemory) throw std::bad_alloc();
    throw error;
}
const std::wstring kChosen = L"C:\\Firmware files\\korvani 2.1.bin";

// Every fake writes what happens into one event list. A runaway loop is
// stopped here: the workflow would take an exception for a step's failure.
void Record(Events& events, std::string event) {
    if (events.size() > 200) {
        std::fprintf(stderr, "the workflow does not end\n");
        std::abort();
    }
    events.push_back(std::move(event));
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class ScriptedDialog : public FileChooser {
public:
    explicit ScriptedDialog(Events& events) : events_(events) {}
    std::deque<std::optional<AppError>> showings;  // nullopt: the user chose kChosen
    bool fileNameFails = false;
    bool failureExhaustsMemory = false;

    void ShowOpen() override {
        outOfMemory = false;  // back by the next showing
        Record(events_, "dialog");
        // Once the script is used up the user cancels.
        std::optional<AppError> outcome = kCancelled;
        if (!showings.empty()) {
            outcome = showings.front();
            showings.pop_front();
        }
        if (outcome) {
            outOfMemory = failureExhaustsMemory;
            Raise(*outcome);
        }
        chosen_ = kChosen;
    }
    std::wstring FileName() override {
        if (fileNameFails) throw kBroken;
        return chosen_;
    }

private:
    Events& events_;
    std::wstring chosen_;
};

// Answers that stand for a box that cannot be shown.
constexpr int kFails = -1;
constexpr int kFailsOutOfMemory = -2;

std::string BoxName(const MessageBoxContents& box) {
    if (!box.title) return "selection-error";
    if (*box.title == L"Confirmation") return "confirmation";
    if (box.text == SuccessBox().text) return "success";
    if (box.text == WrongFileBox().text) return "wrong-file";
    if (box.text == DeviceNotFoundBox().text) return "device-not-found";
    if (box.text == UnexpectedResultBox().text) return "unexpected-result";
    return "unknown box";
}

class ScriptedBoxes : public MessageBoxes {
public:
    explicit ScriptedBoxes(Events& events) : events_(events) {}
    std::deque<int> answers;  // once used up the user answers Cancel
    std::vector<MessageBoxContents> shown;

    int Show(const MessageBoxContents& box) override {
        Record(events_, BoxName(box));
        shown.push_back(box);
        int answer = kAnswerCancel;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (answer == kFails) Raise(kBroken);
        if (answer == kFailsOutOfMemory) Raise(kOutOfMemory);
        return answer;
    }

private:
    Events& events_;
};

class ScriptedFlasher : public FirmwareFlasher {
public:
    explicit ScriptedFlasher(Events& events) : events_(events) { toldAfter.reserve(16); }
    std::deque<std::variant<FlashResult, AppError>> results;  // once used up: success
    bool exhaustsMemory = false;                              // as the library returns
    std::vector<std::size_t> toldAfter;  // how many events there were when each attempt ended

    FlashResult ProgramFirmwareFile(const std::wstring& path) override {
        Record(events_, "flash " + Narrow(path));
        std::variant<FlashResult, AppError> result = FlashResult{0};
        if (!results.empty()) {
            result = results.front();
            results.pop_front();
        }
        if (auto* error = std::get_if<AppError>(&result)) Raise(*error);
        outOfMemory = exhaustsMemory;
        return std::get<FlashResult>(result);
    }
    void OutcomeTold() noexcept override { toldAfter.push_back(events_.size()); }

private:
    Events& events_;
};

class UpdateWorkflow : public ::testing::Test {
protected:
    Events events;
    ScriptedDialog dialog{events};
    ScriptedBoxes boxes{events};
    ScriptedFlasher flasher{events};
    const std::string flash = "flash " + Narrow(kChosen);

    Events Run() {
        RunUpdateWorkflow(dialog, boxes, flasher);
        return events;
    }
    void Choose(int times = 1) {
        for (int i = 0; i < times; ++i) dialog.showings.push_back(std::nullopt);
    }
};

TEST_F(UpdateWorkflow, CancelInTheDialogEndsWithoutAMessage) {
    EXPECT_EQ(Run(), (Events{"dialog"}));
}

TEST_F(UpdateWorkflow, OtherDialogFailuresShowNumberAndDescriptionThenEnd) {
    dialog.showings = {AppError{-32768, L"The function failed to load the dialog box"}};
    boxes.answers = {kAnswerOk};
    EXPECT_EQ(Run(), (Events{"dialog", "selection-error"}));
    EXPECT_EQ(boxes.shown[0].text,
              L"Error -32768 selecting file.\r\nThe function failed to load the dialog box");

    dialog.showings = {kOutOfMemory};  // not one of our own errors, still the dialog's failure
    Run();
    EXPECT_EQ(boxes.shown.at(1).text, L"Error 7 selecting file.\r\nOut of memory");
}

TEST_F(UpdateWorkflow, SelectionErrorBoxThatCannotShowStillEnds) {
    dialog.showings = {kBroken};
    boxes.answers = {kFails};
    EXPECT_EQ(Run(), (Events{"dialog", "selection-error"}));

    // Memory stays short after the dialog failed for want of it: no box can be built.
    events.clear();
    dialog.showings = {kOutOfMemory};
    dialog.failureExhaustsMemory = true;
    RunUpdateWorkflow(dialog, boxes, flasher);
    outOfMemory = false;
    EXPECT_EQ(events, (Events{"dialog"}));
}

TEST_F(UpdateWorkflow, SuccessIsToldOnceAndEnds) {
    Choose();
    boxes.answers = {kAnswerOk, kAnswerOk};
    flasher.results = {FlashResult{0}};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "success"}));
    EXPECT_EQ(boxes.shown[1].style, kButtonsOk + kIconExclamation);
}

TEST_F(UpdateWorkflow, ConfirmationShowsThePathAndAnythingButOkGoesBackToTheDialog) {
    Choose(3);
    boxes.answers = {kAnswerCancel, kFailsOutOfMemory, kAnswerOk, kAnswerOk};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", "dialog", "confirmation", "dialog", "confirmation",
                             flash, "success"}));
    EXPECT_EQ(boxes.shown[0].text, L"Are you sure you want to update your Korvani with \n" + kChosen + L"?");
}

TEST_F(UpdateWorkflow, UnreadablePathAtConfirmationGoesBackToTheDialog) {
    Choose();
    dialog.fileNameFails = true;
    EXPECT_EQ(Run(), (Events{"dialog", "dialog"}));
}

TEST_F(UpdateWorkflow, AnEarlierFailureIsNotTakenForADialogFailure) {
    // The failed confirmation leaves an error behind; the next showing succeeds.
    Choose(2);
    boxes.answers = {kFails, kAnswerOk, kAnswerOk};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", "dialog", "confirmation", flash, "success"}));
}

TEST_F(UpdateWorkflow, SuccessBoxThatCannotShowEnds) {
    Choose();
    boxes.answers = {kAnswerOk, kFails};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "success"}));
}

struct ResultCase {
    FlashResult result;
    const char* box;
};

void PrintTo(const ResultCase& c, std::ostream* out) {
    *out << c.result << " -> " << c.box;
}

class EveryFailedResult : public UpdateWorkflow, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(EveryFailedResult, CancelEndsAndRetryGoesThroughDialogAndConfirmation) {
    const ResultCase c = GetParam();
    Choose(2);
    flasher.results = {c.result, c.result};
    boxes.answers = {kAnswerOk, kAnswerRetry, kAnswerOk, kAnswerCancel};
    EXPECT_EQ(Run(),
              (Events{"dialog", "confirmation", flash, c.box, "dialog", "confirmation", flash, c.box}));
}

TEST_P(EveryFailedResult, ClosingTheBoxEndsAsCancelDoes) {
    Choose();
    flasher.results = {GetParam().result};
    boxes.answers = {kAnswerOk, kAnswerCancel};
    EXPECT_EQ(Run().size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Results, EveryFailedResult,
    ::testing::Values(ResultCase{-3, "wrong-file"}, ResultCase{-4, "wrong-file"},
                      ResultCase{-1, "unexpected-result"}, ResultCase{-5, "unexpected-result"},
                      ResultCase{-32768, "unexpected-result"}, ResultCase{1, "unexpected-result"},
                      ResultCase{32767, "unexpected-result"}),
    [](const ::testing::TestParamInfo<ResultCase>& info) {
        const int result = info.param.result;
        return (result < 0 ? "minus" : "") + std::to_string(result < 0 ? -result : result);
    });

TEST_F(UpdateWorkflow, ErasedDeviceRetryFlashesTheSameFileAgainWithoutDialog) {
    Choose();
    flasher.results = {FlashResult{-2}, FlashResult{-2}, FlashResult{0}};
    boxes.answers = {kAnswerOk, kAnswerRetry, kAnswerRetry, kAnswerOk};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "device-not-found", flash, "device-not-found",
                             flash, "success"}));
    // Each attempt lasts until its box has been answered.
    EXPECT_EQ(flasher.toldAfter, (std::vector<std::size_t>{4, 6, 8}));
}

TEST_F(UpdateWorkflow, ErasedDeviceCancelEnds) {
    Choose();
    flasher.results = {FlashResult{-2}};
    boxes.answers = {kAnswerOk, kAnswerCancel};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "device-not-found"}));
}

TEST_F(UpdateWorkflow, ErasedDeviceBoxThatCannotShowNeverFlashesAgain) {
    for (int failure : {kFails, kFailsOutOfMemory}) {
        events.clear();
        Choose();
        flasher.results = {FlashResult{-2}};
        boxes.answers = {kAnswerOk, failure};
        EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "device-not-found"}));
    }
}

TEST_F(UpdateWorkflow, FailedFlashingCallIsNeverReportedAsSuccess) {
    for (const AppError& error :
         {AppError{kErrOverflow, L"Overflow"}, AppError{kErrDllEntryPoint, L"Can't find DLL entry point"},
          AppError{kErrFileNotFound, L"File not found: oscdll.dll"}, kOutOfMemory}) {
        events.clear();
        Choose(2);
        flasher.results = {error, FlashResult{-3}};
        boxes.answers = {kAnswerOk, kAnswerRetry, kAnswerOk, kAnswerCancel};
        EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "unexpected-result", "dialog",
                                 "confirmation", flash, "wrong-file"}));
    }
}

TEST_F(UpdateWorkflow, RetryBoxesThatCannotShowGoBackToTheDialog) {
    for (FlashResult result : {FlashResult{-3}, FlashResult{-1}}) {
        for (int failure : {kFails, kFailsOutOfMemory}) {
            events.clear();
            Choose();
            flasher.results = {result};
            boxes.answers = {kAnswerOk, failure};
            EXPECT_EQ(Run().back(), "dialog") << result;
        }
    }
    // Out of memory while the box is built, memory back by the dialog.
    events.clear();
    Choose();
    flasher.results = {FlashResult{-1}};
    flasher.exhaustsMemory = true;
    boxes.answers = {kAnswerOk};
    EXPECT_EQ(Run(), (Events{"dialog", "confirmation", flash, "dialog"}));
}

TEST_F(UpdateWorkflow, UnreadablePathAtFlashingIsAnUnexpectedResult) {
    boxes.answers = {kAnswerOk};
    // Readable for the confirmation, then not.
    struct FailingSecondRead : ScriptedDialog {
        using ScriptedDialog::ScriptedDialog;
        int reads = 0;
        std::wstring FileName() override {
            if (++reads == 2) throw kBroken;
            return ScriptedDialog::FileName();
        }
    } failing{events};
    failing.showings = {std::nullopt};
    RunUpdateWorkflow(failing, boxes, flasher);
    EXPECT_EQ(events, (Events{"dialog", "confirmation", "unexpected-result"}));
}

}  // namespace
