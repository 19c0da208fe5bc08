#include "update_workflow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "golden_texts.h"

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
const std::string kFlash = "flash " + std::string(kChosen.begin(), kChosen.end());

// Answers that stand for a box that cannot be shown.
constexpr int kFails = -1;
constexpr int kFailsOutOfMemory = -2;

using LibraryResult = std::variant<FlashResult, FlashRefusal, AppError>;
constexpr FlashRefusal kOtherCopyWriting = FlashRefusal::AnotherCopyUpdating;
constexpr FlashRefusal kPathTooLong = FlashRefusal::PathTooLong;
constexpr FlashRefusal kPathNotInCodePage = FlashRefusal::PathNotInCodePage;
constexpr FlashRefusal kNameTaken = FlashRefusal::OneFlashNameTaken;

// What the outside world does in one click, in the order each is asked.
struct Moves {
    std::deque<std::optional<AppError>> showings = {};  // nullopt: the user chose kChosen; then cancels
    std::deque<int> answers = {};                       // then the user answers Cancel
    std::deque<LibraryResult> results = {};             // then success
    bool callExhaustsMemory = false;                    // as the library returns, until the next showing
    std::set<int> unreadableReads = {};                 // reads of the chosen path that fail, from 1
    bool dialogFailureExhaustsMemory = false;           // until the next showing
};

// The next move of a script, or what the world does once it is used up.
template <class Move>
Move Take(std::deque<Move>& script, Move onceUsedUp) {
    if (script.empty()) return onceUsedUp;
    const Move move = script.front();
    script.pop_front();
    return move;
}

std::string BoxName(const MessageBoxContents& box) {
    if (box.text == RefusalBox(kOtherCopyWriting, kChosen).text) return "another-update";
    if (box.text == RefusalBox(kNameTaken, kChosen).text) return "name-taken";
    if (box.text == RefusalBox(kPathTooLong, kChosen).text) return "path-too-long";
    if (box.text == RefusalBox(kPathNotInCodePage, kChosen).text) return "path-not-in-code-page";
    if (!box.title) return "selection-error";
    if (*box.title == golden::kConfirmationTitle) return "confirmation";
    if (box.text == SuccessBox().text) return "success";
    if (box.text == WrongFileBox().text) return "wrong-file";
    if (box.text == DeviceNotFoundBox().text) return "device-not-found";
    if (box.text == UnexpectedResultBox().text) return "unexpected-result";
    return "unknown box";
}

// The dialog, the user at the boxes and the library, each making the next move
// of its script, written into one list of events.
class World : public FileChooser, public MessageBoxes, public FirmwareFlasher {
public:
    explicit World(Moves script) : moves(std::move(script)) {
        toldAfter.reserve(16);
        endedAfter.reserve(16);
    }
    Moves moves;
    Events events;
    std::vector<MessageBoxContents> shown;
    // How many events there were when each outcome was told, and when each attempt ended.
    std::vector<std::size_t> toldAfter, endedAfter;

    Events Run() {
        RunUpdateWorkflow(*this, *this, *this);
        outOfMemory = false;
        return events;
    }

    void ShowOpen() override {
        outOfMemory = false;  // back by the next showing
        Record("dialog");
        if (const auto failure = Take(moves.showings, std::optional<AppError>(kCancelled))) {
            outOfMemory = moves.dialogFailureExhaustsMemory;
            Raise(*failure);
        }
    }
    std::wstring FileName() override {
        if (moves.unreadableReads.contains(++reads_)) throw kBroken;
        return kChosen;
    }
    int Show(const MessageBoxContents& box) override {
        Record(BoxName(box));
        shown.push_back(box);
        const int answer = Take(moves.answers, kAnswerCancel);
        if (answer == kFails) Raise(kBroken);
        if (answer == kFailsOutOfMemory) Raise(kOutOfMemory);
        return answer;
    }
    FlashAnswer ProgramFirmwareFile(const std::wstring& path) override {
        Record("flash " + std::string(path.begin(), path.end()));
        const auto result = Take(moves.results, LibraryResult(FlashResult{0}));
        if (auto* error = std::get_if<AppError>(&result)) Raise(*error);
        outOfMemory = moves.callExhaustsMemory;
        if (auto* refusal = std::get_if<FlashRefusal>(&result)) return *refusal;
        return std::get<FlashResult>(result);
    }
    void OutcomeTold() noexcept override { toldAfter.push_back(events.size()); }
    void EndAttempt() noexcept override { endedAfter.push_back(events.size()); }

private:
    // A runaway loop is stopped here: the workflow would take an exception for a step's failure.
    void Record(std::string event) {
        if (events.size() > 200) {
            std::fprintf(stderr, "the workflow does not end\n");
            std::abort();
        }
        events.push_back(std::move(event));
    }
    int reads_ = 0;
};

// Every sequence of up to kSteps moves of the outside world: what the dialog
// gives, how the user answers each box, what each library call gives. The
// rules are replayed on what each click did.
constexpr std::size_t kSteps = 6;

// The box each library result leads to: the classification flash_result_test pins.
std::string OutcomeBox(const LibraryResult& result) {
    if (std::holds_alternative<AppError>(result)) return "unexpected-result";
    if (const auto* refusal = std::get_if<FlashRefusal>(&result)) {
        static const std::map<FlashRefusal, std::string> kRefusals = {
            {kOtherCopyWriting, "another-update"},
            {kNameTaken, "name-taken"},
            {kPathTooLong, "path-too-long"},
            {kPathNotInCodePage, "path-not-in-code-page"}};
        return kRefusals.at(*refusal);
    }
    static const std::map<FlashOutcome, std::string> kBoxes = {
        {FlashOutcome::Success, "success"},
        {FlashOutcome::ErasedNotRecognised, "device-not-found"},
        {FlashOutcome::NotFirmware, "wrong-file"},
        {FlashOutcome::Unexpected, "unexpected-result"}};
    return kBoxes.at(ClassifyFlashResult(std::get<FlashResult>(result)));
}

// Where each box leads, by the user's answer: the first row that matches holds.
constexpr int kAnyAnswer = 0;  // a box that cannot be shown included
const std::string kEnd;        // the click ends
const struct Rule {
    std::string box;  // empty: any other box
    int answer;
    std::string next;
} kRules[] = {
    {"confirmation", kAnswerOk, "flash"},  // only OK flashes
    {"confirmation", kAnyAnswer, "dialog"},
    {"device-not-found", kAnswerRetry, "flash"},  // never without the user's Retry
    {"wrong-file", kAnswerRetry, "dialog"},
    {"wrong-file", kFails, "dialog"},
    {"unexpected-result", kAnswerRetry, "dialog"},
    {"unexpected-result", kFails, "dialog"},
    {"path-too-long", kAnyAnswer, "dialog"},  // the same path would be refused again
    {"path-not-in-code-page", kAnyAnswer, "dialog"},
    {"", kAnyAnswer, kEnd},
};

std::string NextAfterBox(const std::string& box, int answer) {
    if (answer == kFailsOutOfMemory) answer = kFails;
    for (const Rule& rule : kRules)
        if ((rule.box.empty() || rule.box == box) && (rule.answer == kAnyAnswer || rule.answer == answer))
            return rule.next;
    return kEnd;
}

// Empty when the click kept every rule; otherwise the first it broke.
std::string BrokenRule(const Events& events, Moves moves, const World& world) {
    std::string expected = "dialog";
    std::vector<std::size_t> boxesAfterCalls, attemptEnds;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::string what = events[i].rfind("flash ", 0) == 0 ? "flash" : events[i];
        if (what != expected) return "expected '" + expected + "', got '" + events[i] + "'";
        if (what == "dialog") {
            const auto failure = Take(moves.showings, std::optional<AppError>(kCancelled));
            expected = !failure ? "confirmation" : failure->number == kErrCancel ? kEnd : "selection-error";
        } else if (what == "flash") {
            expected = OutcomeBox(Take(moves.results, LibraryResult(FlashResult{0})));  // its box, at once
        } else {
            const bool afterCall = what != "confirmation" && what != "selection-error";
            if (afterCall) boxesAfterCalls.push_back(i + 1);
            expected = NextAfterBox(what, Take(moves.answers, kAnswerCancel));
            // An erased device's Retry flashes again within the same attempt.
            if (afterCall && expected != "flash") attemptEnds.push_back(i + 1);
        }
    }
    if (!expected.empty()) return "ended before '" + expected + "'";
    if (world.toldAfter != boxesAfterCalls) return "an outcome was not told once, right after its box";
    if (world.endedAfter != attemptEnds) return "an attempt did not end once, after its last box";
    return "";
}

TEST(UpdateWorkflow, EverySequenceOfTheWorldsMovesKeepsTheRules) {
    const std::vector<std::optional<AppError>> showings = {std::nullopt, kCancelled, kBroken, kOutOfMemory};
    const std::vector<int> answers = {kAnswerOk, kAnswerCancel, kAnswerRetry, kFails,
                                      kFailsOutOfMemory};  // closing: Cancel
    const std::vector<LibraryResult> results = {
        FlashResult{0},    FlashResult{-2}, FlashResult{-3},    FlashResult{-1}, kBroken,
        kOtherCopyWriting, kPathTooLong,    kPathNotInCodePage, kOutOfMemory};
    std::size_t clicks = 0;
    // Runs a click on `moves` and checks it; then, where it first went past them, each move there.
    std::function<void(const Moves&, std::size_t)> explore = [&](const Moves& moves, std::size_t length) {
        World world(moves);
        const Events seen = world.Run();
        const std::string broken = BrokenRule(seen, moves, world);
        if (!broken.empty()) ADD_FAILURE() << broken << " in " << ::testing::PrintToString(seen);
        ++clicks;
        if (length == kSteps || HasFailure()) return;
        // Each choice in turn as the next move of `script`.
        const auto next = [&](auto script, const auto& choices) {
            Moves longer = moves;
            for (const auto& choice : choices) {
                (longer.*script).push_back(choice);
                explore(longer, length + 1);
                (longer.*script).pop_back();
            }
        };
        std::size_t dialogs = 0, calls = 0, boxesShown = 0;
        for (const std::string& event : seen) {
            if (event == "dialog") {
                if (++dialogs > moves.showings.size()) return next(&Moves::showings, showings);
            } else if (event.rfind("flash ", 0) == 0) {
                if (++calls > moves.results.size()) return next(&Moves::results, results);
            } else if (++boxesShown > moves.answers.size()) {
                return next(&Moves::answers, answers);
            }
        }
    };
    explore(Moves{}, 0);
    EXPECT_GT(clicks, 100u) << "every sequence of up to " << kSteps << " moves";
}

// A few clicks seen whole, with the troubles the search leaves out.
TEST(UpdateWorkflow, Examples) {
    const struct {
        Moves moves;
        Events events;
        std::wstring firstBoxText = {};  // empty: not checked
    } examples[] = {
        {{{kCancelled}}, {"dialog"}},
        // Not one of our own errors, still the dialog's failure.
        {{{kOutOfMemory}}, {"dialog", "selection-error"}, golden::SelectionErrorText(7, L"Out of memory")},
        // Memory stays short after the dialog failed for want of it: no box can be built.
        {{.showings = {kOutOfMemory}, .dialogFailureExhaustsMemory = true}, {"dialog"}},
        {{{std::nullopt}, {kAnswerOk, kAnswerOk}, {FlashResult{0}}},
         {"dialog", "confirmation", kFlash, "success"}},
        // Anything but OK goes back to the dialog.
        {{{std::nullopt, std::nullopt}, {kFailsOutOfMemory, kAnswerOk, kAnswerOk}},
         {"dialog", "confirmation", "dialog", "confirmation", kFlash, "success"},
         golden::ConfirmationText(kChosen)},
        // The path unreadable at the confirmation, then at the flashing.
        {{.showings = {std::nullopt}, .unreadableReads = {1}}, {"dialog", "dialog"}},
        {{.showings = {std::nullopt}, .answers = {kAnswerOk}, .unreadableReads = {2}},
         {"dialog", "confirmation", "unexpected-result"}},
        {{{std::nullopt, std::nullopt},
          {kAnswerOk, kAnswerRetry, kAnswerOk, kAnswerCancel},
          {FlashResult{-3}, FlashResult{-4}}},
         {"dialog", "confirmation", kFlash, "wrong-file", "dialog", "confirmation", kFlash, "wrong-file"}},
        {{{std::nullopt},
          {kAnswerOk, kAnswerRetry, kAnswerRetry, kAnswerOk},
          {FlashResult{-2}, FlashResult{-2}, FlashResult{0}}},
         {"dialog", "confirmation", kFlash, "device-not-found", kFlash, "device-not-found", kFlash,
          "success"}},
        {{{std::nullopt}, {kAnswerOk, kAnswerOk}, {kOtherCopyWriting}},
         {"dialog", "confirmation", kFlash, "another-update"}},
        {{{std::nullopt}, {kAnswerOk, kAnswerRetry}, {kNameTaken}},
         {"dialog", "confirmation", kFlash, "name-taken"}},
        {{{std::nullopt, kCancelled}, {kAnswerOk, kAnswerOk}, {kPathTooLong}},
         {"dialog", "confirmation", kFlash, "path-too-long", "dialog"}},
        // Out of memory: a retry box that cannot show goes back to the dialog...
        {{{std::nullopt}, {kAnswerOk, kFailsOutOfMemory}, {FlashResult{-3}}},
         {"dialog", "confirmation", kFlash, "wrong-file", "dialog"}},
        {{{std::nullopt}, {kAnswerOk, kFailsOutOfMemory}, {FlashResult{-1}}},
         {"dialog", "confirmation", kFlash, "unexpected-result", "dialog"}},
        // ...as it does when the box cannot even be built...
        {{{std::nullopt}, {kAnswerOk}, {FlashResult{-1}}, /*callExhaustsMemory=*/true},
         {"dialog", "confirmation", kFlash, "dialog"}},
        // ...an erased device's box that cannot show never flashes again...
        {{{std::nullopt}, {kAnswerOk, kFailsOutOfMemory}, {FlashResult{-2}}},
         {"dialog", "confirmation", kFlash, "device-not-found"}},
        // ...and a flashing call that fails is never reported as success.
        {{{std::nullopt, std::nullopt},
          {kAnswerOk, kAnswerRetry, kAnswerOk, kAnswerCancel},
          {kOutOfMemory, FlashResult{-3}}},
         {"dialog", "confirmation", kFlash, "unexpected-result", "dialog", "confirmation", kFlash,
          "wrong-file"}},
    };
    for (const auto& example : examples) {
        World world(example.moves);
        EXPECT_EQ(world.Run(), example.events);
        if (!example.firstBoxText.empty()) {
            EXPECT_EQ(world.shown.at(0).text, example.firstBoxText);
        }
    }
}

}  // namespace
