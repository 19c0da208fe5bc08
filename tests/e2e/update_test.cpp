// The update dialogue, driven through the real window against the scripted
// simulated controller; its call log tells what the library was given.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "crc32.h"
#include "driver.h"
#include "scoped_handle.h"

#include <sddl.h>  // after windows.h

namespace {

const std::vector<std::wstring> kRetryCancel = {L"&Retry", L"Cancel"};
const std::vector<std::wstring> kOk = {L"OK"};

// What must not happen, given the time a key or click takes to act.
constexpr DWORD kSettle = 500;

// Each box as its user sees it: a row of the golden texts, its buttons and icon.
const MessageBoxView kSuccessBox = {golden::kSuccessTitle, golden::kSuccessText, kOk, true};
const MessageBoxView kWrongFileBox = {golden::kWarningTitle, golden::kWrongFileText, kRetryCancel, false};
const MessageBoxView kDeviceNotFoundBox = {golden::kWarningTitle, golden::kDeviceNotFoundText, kRetryCancel,
                                           false};
const MessageBoxView kUnexpectedBox = {golden::kWarningTitle, golden::kUnexpectedText, kRetryCancel, false};
const MessageBoxView kAnotherUpdateBox = {golden::kAppTitle, golden::kAnotherUpdateText, kOk, true};
const MessageBoxView kNameTakenBox = {golden::kAppTitle, golden::kNameTakenText, kOk, true};

// The program's 15 s for its own report, and then the watcher, a process of
// its own whose start takes seconds where Windows is emulated.
constexpr DWORD kWatcherPatience = 60000;

// A key held: its press, unless it was held before `window` came up, then
// `repeats` repeats (bit 30 set) and its release. Posted, as Wine forgets a
// held key when a new window takes the focus.
void PostHeldKey(HWND window, WORD key, bool pressedHere, int repeats) {
    if (window == nullptr) throw std::runtime_error("no window to send the keys to");
    const LPARAM fresh = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM held = fresh | LPARAM{1} << 30;
    if (pressedHere) PostMessageW(window, WM_KEYDOWN, key, fresh);
    for (int i = 0; i < repeats; ++i) PostMessageW(window, WM_KEYDOWN, key, held);
    PostMessageW(window, WM_KEYUP, key, held | LPARAM{1} << 31);
}

// Whether the window lets Windows log the user off now.
bool AllowsLogOff(HWND window) {
    return SendWithTimeout(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
}

// What a watcher that did not end shows, for the failure's message.
std::string Showing(const Program& watcher) {
    const std::vector<HWND> windows = watcher.Windows();
    return windows.empty() ? "nothing" : ::testing::PrintToString(ReadMessageBox(windows[0]));
}

std::string Ansi(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes.data(), length, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::uint32_t CrcOf(const std::string& contents) {
    return Crc32(reinterpret_cast<const unsigned char*>(contents.data()), contents.size());
}

class Update : public ::testing::Test {
protected:
    std::unique_ptr<Program> s;

    // `environment`: what the stand-in does besides returning `results`.
    void Start(const std::string& results, const Environment& environment = {},
               bool withoutEntryPoint = false, bool inJob = false) {
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        s.reset();  // its folder is laid out anew
        s = std::make_unique<Program>(L"update-" + std::wstring(test, test + strlen(test)));
        s->WithLibraries(withoutEntryPoint ? L"sim-variants\\no-export\\OSCdll.DLL" : L"bin\\OSCdll.DLL")
            .Open(results, {.environment = environment, .inJob = inJob});
    }
};

TEST_F(Update, ConfirmationNamesThePathAndOnlyItsOkFlashesOnceTellingSuccessOnce) {
    Start("0");
    s->ClickUpdate();
    HWND dialog = s->Front();
    // Backspace pressed in the file-name field and held there: its press and each repeat delete.
    TypeFileName(dialog, L"new firmware v2.binxyz");
    HWND field = FileNameField(dialog);
    SendMessageW(field, EM_SETSEL, 22, 22);
    PostHeldKey(field, VK_BACK, true, 2);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(field) == L"new firmware v2.bin"; }))
        << "left: " << TextOf(field);
    PressKeys({VK_RETURN, VK_RETURN});  // a double press: the second must not answer the question
    ASSERT_TRUE(WaitGone(dialog));
    ASSERT_FALSE(WaitUntil([&] { return !s->Calls().empty(); }, kSettle))
        << "flashed without the user's answer";
    // The name was typed bare: the dialog started in the application folder.
    EXPECT_EQ(s->Box(), ConfirmationBox(s->File(L"new firmware v2.bin")));
    EXPECT_TRUE(AllowsLogOff(s->window)) << "nothing is being written yet";

    // Enter and Space held since the dialog: their repeats and releases answer nothing.
    HWND box = s->Front();
    for (WORD key : {WORD{VK_RETURN}, WORD{VK_SPACE}}) PostHeldKey(s->Focus(), key, false, 1);
    ASSERT_FALSE(WaitGone(box, kSettle)) << "a held key answered the question";
    ASSERT_TRUE(s->Calls().empty());
    PressKeys({VK_ESCAPE});  // a fresh press still answers it
    ASSERT_TRUE(WaitGone(box));
    EXPECT_TRUE(s->DialogInFront());
    s->Pick();
    s->Answer(kCloseBox);  // closing the box refuses it too
    EXPECT_TRUE(s->DialogInFront());
    s->Answer(IDCANCEL);
    s->ExpectIdle();
    EXPECT_TRUE(s->Calls().empty()) << "nothing may be flashed without an OK";

    // OK flashes: success is told once, and the window takes another click.
    s->Flash();
    EXPECT_EQ(s->Box(), kSuccessBox);
    s->Answer(IDOK);
    s->ExpectIdle();
    const std::vector<FlashCall> calls = s->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].path, Ansi(s->File(L"new firmware v2.bin")));
    EXPECT_TRUE(calls[0].opened);
    EXPECT_EQ(calls[0].crc, CrcOf(Firmware('a')));

    // The dialog offers the file just written: a double Enter must not take it.
    PressKeys({VK_RETURN, VK_RETURN});  // the first opens it
    dialog = s->Front();
    EXPECT_FALSE(WaitGone(dialog, kSettle)) << "a double Enter took the file";
    EXPECT_TRUE(s->DialogInFront());
    s->Answer(IDCANCEL);
    s->ExpectIdle();
    EXPECT_EQ(s->Calls().size(), 1u);

    // Closed, the program leaves nothing behind: its watcher ends with it, silently.
    const std::unique_ptr<Program> watcher = s->WaitForWatcher();
    ASSERT_NE(watcher, nullptr);
    Close(s->window);
    EXPECT_EQ(s->WaitForExit(), DWORD{golden::kExitWindowClosed});
    EXPECT_TRUE(watcher->WaitForExit(kWatcherPatience).has_value())
        << "the watcher outlives the program, showing " << Showing(*watcher);
}

// One click each: every box answered Retry but the last. A Retry brings the
// dialog back, offering the same file, except that an erased device is flashed
// again at once.
TEST_F(Update, RetriesGoBackToTheDialogOrFlashAgainUntilTheLastAnswer) {
    const struct {
        std::string results;
        std::vector<MessageBoxView> boxes;
        std::size_t calls;    // of the library
        int last = IDCANCEL;  // where there is more than OK
        Environment environment = {};
        bool withoutEntryPoint = false;  // every attempt then fails before the library is called
        bool thenAnotherUpdate = false;  // which the last result answers
        bool nameTaken = false;          // by an event another program made under the one-flash mutex's name
    } runs[] = {
        {"-3,-4", {kWrongFileBox, kWrongFileBox}, 2},
        {.results = "0", .boxes = {kUnexpectedBox, kUnexpectedBox}, .calls = 0, .withoutEntryPoint = true},
        {"-2,-2,0", {kDeviceNotFoundBox, kDeviceNotFoundBox, kSuccessBox}, 3},
        {"-3", {kWrongFileBox}, 1, kCloseBox},
        {"-2", {kDeviceNotFoundBox}, 1, kCloseBox},
        {"-1", {kUnexpectedBox}, 1, kCloseBox},
        // A thread of the last call stays for good: the Retry and the next update still reach the library.
        {.results = "-2,0",
         .boxes = {kDeviceNotFoundBox, kSuccessBox},
         .calls = 3,
         .environment = {{L"KORVANI_SIM_FAULT", L"stay"}},
         .thenAnotherUpdate = true},
        {.results = "0", .boxes = {kNameTakenBox}, .calls = 0, .last = IDOK, .nameTaken = true},
        // The library writes into the buffer it is given: the program's choice stays.
        {.results = "-2,-3,0",
         .boxes = {kDeviceNotFoundBox, kWrongFileBox, kSuccessBox},
         .calls = 3,
         .environment = {{L"KORVANI_SIM_SCRIBBLE", L"1"}}},
        // The last two do not fit 16 bits.
        {"-1,-5,-32768,1,32767,32768,-32769,0",
         {kUnexpectedBox, kUnexpectedBox, kUnexpectedBox, kUnexpectedBox, kUnexpectedBox, kUnexpectedBox,
          kUnexpectedBox, kSuccessBox},
         8},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.results);
        const std::vector<MessageBoxView>& boxes = run.boxes;
        Start(run.results, run.environment, run.withoutEntryPoint);
        const ScopedHandle squatter(
            run.nameTaken ? CreateEventW(nullptr, FALSE, FALSE, golden::kOneUpdateAtATime) : nullptr);
        s->ClickUpdate();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (i == 0 || boxes[i - 1] != kDeviceNotFoundBox) {
                s->Pick(i == 0 ? L"new firmware v2.bin" : L"");  // then what the dialog offers
                s->Confirm();
            }
            EXPECT_EQ(s->Box(), boxes[i]) << i;
            s->Answer(i + 1 < boxes.size() ? IDRETRY : boxes[i].buttons == kOk ? IDOK : run.last);
        }
        s->ExpectIdle();
        if (run.thenAnotherUpdate) {
            s->Flash();
            EXPECT_EQ(s->Box(), boxes.back());
            s->Answer(IDOK);
            s->ExpectIdle();
        }
        const std::vector<FlashCall> calls = s->Calls();
        EXPECT_EQ(calls.size(), run.calls);
        for (const FlashCall& call : calls) {
            EXPECT_EQ(call.path, Ansi(s->File(L"new firmware v2.bin")));
            EXPECT_TRUE(call.zeroFilled) << "a buffer shorter than MAX_PATH bytes, or not zero-filled";
        }
    }
}

TEST_F(Update, NothingDoneDuringTheCallAnswersForTheUserOrEndsTheUpdate) {
    // A library that dispatches messages while it works lets a click and a close
    // request reach the window during the call; one that does not, right after it.
    for (const wchar_t* pump : {L"0", L"1"}) {
        SCOPED_TRACE(pump[0] == L'1' ? "library dispatches messages" : "library blocks");
        Start("-2,0", {{L"KORVANI_SIM_DELAY_MS", L"2000"}, {L"KORVANI_SIM_PUMP", pump}});
        s->Flash();
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(s->window); })) << "the window waits, disabled";
        PressKeys({VK_RETURN, VK_SPACE});
        Press(s->window, golden::kUpdateButton);
        PostMessageW(s->window, WM_CLOSE, 0, 0);  // what "End task" sends
        Close(s->window);
        EXPECT_EQ(s->Box().text, golden::kDeviceNotFoundText);
        for (WORD key : {WORD{VK_RETURN}, WORD{VK_SPACE}})
            PostHeldKey(s->Focus(), key, false, 1);  // since the call
        EXPECT_FALSE(WaitUntil([&] { return s->Windows().size() != 2; }, kSettle))
            << "the box stays up, and nothing else opened";
        EXPECT_FALSE(AllowsLogOff(s->window)) << "the outcome is not read yet";
        PressKeys({VK_ESCAPE});  // a fresh press still answers it
        s->ExpectIdle();
        EXPECT_EQ(s->Calls().size(), 1u) << "flashed again without the user's answer";
    }
}

TEST_F(Update, EveryEndingOfAnUpdateIsToldOnce) {
    enum Teller { kProgram, kWatcherReport, kWatcherCutShort, kWatcherErased, kNobody };
    // What the user or the machine does once the library was called.
    enum Move {
        kWait,
        kEndTaskInTheCall,     // as "End task" or a forced log-off does, while the library writes
        kEndTreeInTheCall,     // the program and every process it started, as "End process tree" does
        kEndJobInTheCall,      // its job, which lets processes break away
        kEndTaskAtTheOutcome,  // the same while the outcome's box is up
        kAnswerTheOutcome,
        kCancelTheOutcomeAndClose,  // once the report is up
    };
    const std::wstring av = L"exception C0000005 in OSCdll.DLL at offset 0x";
    const struct {
        const wchar_t* fault;  // KORVANI_SIM_FAULT
        const char* results;
        Move move;
        Teller teller;
        std::wstring named;  // in the one box that tells it; the watcher's own: the status in hexadecimal
        DWORD status;        // the program's exit status
    } endings[] = {
        {L"av", "0", kWait, kProgram, av, golden::kExitLibraryFault},
        {L"cxx", "0", kWait, kProgram, L"exception E06D7363", golden::kExitLibraryFault},
        {L"overflow", "0", kWait, kProgram, L"exception C00000FD in OSCdll.DLL at offset 0x",
         golden::kExitLibraryFault},
        // In a library it loaded during the call.
        {L"helper", "0", kWait, kProgram, L"exception C0000005 in OSCdllHelper.dll at offset 0x",
         golden::kExitLibraryFault},
        // On a thread of the library's own; the call then returns 0, which must not count.
        {L"thread", "0", kWait, kProgram, av, golden::kExitLibraryFault},
        // The call returned -2; its box is up when the library's thread faults, and
        // neither that box nor the window can end the program any more.
        {L"late", "-2", kCancelTheOutcomeAndClose, kProgram, av, golden::kExitLibraryFault},
        // In the library's own window on the program's thread, inside the outcome's box.
        {L"window", "-2", kWait, kProgram, av, golden::kExitLibraryFault},
        // Holding the heap's lock: the program's box cannot come up. Also once the outcome was answered.
        {L"heap", "0", kWait, kWatcherReport, av, golden::kExitLibraryFault},
        {L"lockedlate", "0", kAnswerTheOutcome, kWatcherReport, av, golden::kExitLibraryFault},
        {L"fastfail", "0", kWait, kWatcherCutShort, L"C0000602", 0xC0000602},  // STATUS_FAIL_FAST_EXCEPTION
        {L"exit", "0", kWait, kWatcherCutShort, L"00000000", 0},
        {L"filter", "0", kWait, kWatcherCutShort, L"00000007", 7},
        {L"", "0", kEndTaskInTheCall, kWatcherCutShort, L"00000001", 1},
        {L"", "0", kEndTreeInTheCall, kWatcherCutShort, L"00000001", 1},
        {L"", "0", kEndJobInTheCall, kWatcherCutShort, L"00000001", 1},
        // Once the library answered, the write is over: the watcher never says it was cut short.
        {L"", "0", kEndTaskAtTheOutcome, kNobody, L"", 1},
        {L"", "-3", kEndTaskAtTheOutcome, kNobody, L"", 1},
        {L"", "-2", kEndTaskAtTheOutcome, kWatcherErased, L"00000001", 1},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(::testing::Message() << ending.results << " " << ending.fault << " " << ending.move);
        const bool inTheCall = ending.move == kEndTaskInTheCall || ending.move == kEndTreeInTheCall ||
                               ending.move == kEndJobInTheCall;
        Start(ending.results,
              {{inTheCall ? L"KORVANI_SIM_DELAY_MS" : L"KORVANI_SIM_FAULT",
                inTheCall ? L"60000" : ending.fault}},
              false, ending.move == kEndJobInTheCall);
        s->Flash();
        const std::unique_ptr<Program> watcher = s->WaitForWatcher();
        ASSERT_NE(watcher, nullptr) << "no watcher outside the program";
        HWND outcome = nullptr;  // up when the fault comes, or the program ends
        if (inTheCall) {
            ASSERT_TRUE(WaitUntil([&] { return s->Calls().size() == 1; }));
        }
        if (ending.move == kEndTaskAtTheOutcome || ending.results == std::string("-2")) outcome = s->Front();
        if (ending.move == kAnswerTheOutcome) s->Answer(IDOK);
        if (ending.move == kEndTreeInTheCall) s->EndProcessTree(ending.status);
        if (ending.move == kEndJobInTheCall) {
            ASSERT_TRUE(s->EndJob(ending.status));
        }
        if (ending.move == kEndTaskInTheCall || ending.move == kEndTaskAtTheOutcome)
            TerminateProcess(s->Handle(), ending.status);
        if (ending.teller != kNobody) {
            Program& teller = ending.teller == kProgram ? *s : *watcher;
            HWND box = teller.WaitForWindow(outcome, kWatcherPatience);
            ASSERT_NE(box, nullptr) << "the ending was not told; the program "
                                    << (s->IsRunning() ? "still runs" : "ended")
                                    << (watcher->IsRunning() ? ", the watcher waits" : ", the watcher ended");
            ASSERT_TRUE(WaitUntil([&] { return !TextOf(box).empty(); })) << "the box never got its title";
            const MessageBoxView report = ReadMessageBox(box);
            EXPECT_EQ(report.title, golden::kAppTitle);
            if (ending.teller == kWatcherCutShort) {
                EXPECT_EQ(report.text, golden::UpdateCutShortText(ending.named));
            } else if (ending.teller == kWatcherErased) {
                EXPECT_EQ(report.text, golden::UpdateEndedBeforeAnswerText(ending.named));
            } else {
                EXPECT_NE(report.text.find(ending.named), std::wstring::npos) << report.text;
                EXPECT_TRUE(report.text.ends_with(golden::kLibraryFaultAdvice)) << report.text;
            }
            EXPECT_EQ(report.buttons, kOk);
            EXPECT_TRUE(report.hasIcon);
            if (ending.move == kCancelTheOutcomeAndClose) {
                Press(outcome, IDCANCEL);
                Close(s->window);
            }
            // With "thread", until the call has returned.
            const DWORD settle = ending.fault == std::wstring(L"thread") ? 3000 : kSettle;
            if (ending.teller == kProgram) {
                EXPECT_FALSE(WaitUntil([&] { return s->Windows().size() != (outcome ? 3u : 2u); }, settle))
                    << "something besides the report goes on";
            }
            Press(box, IDOK);
        }
        const std::optional<DWORD> status = s->WaitForExit();
        if (!inTheCall && ending.move != kEndTaskAtTheOutcome) {
            EXPECT_EQ(status, ending.status);
        }
        // A watcher with a box of its own up would not end.
        EXPECT_TRUE(watcher->WaitForExit(kWatcherPatience).has_value())
            << "told twice, or the watcher outlives the program, showing " << Showing(*watcher);
        EXPECT_EQ(s->Calls().size(), 1u);
    }
}

TEST_F(Update, OneUpdateAtATimeOnThePcAndEachCallFindsTheProcessAsBeforeTheLibrariesLoaded) {
    Start("-2,-3,0", {{L"KORVANI_SIM_STATE", L"1"}});
    Program other(L"update-other-copy");
    other.WithLibraries().Open("0");
    const auto refused = [](Program& session) {
        EXPECT_EQ(session.Box(), kAnotherUpdateBox);
        session.Answer(IDOK);
        session.ExpectIdle();
    };
    {
        // Made first by a copy this one may not open: elevated, or another user's.
        PSECURITY_DESCRIPTOR nobody = nullptr;  // an empty access list
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, &nobody, nullptr));
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nobody, FALSE};
        HANDLE theirs =
            CreateMutexW(&attributes, FALSE, golden::kOneUpdateAtATime);  // free, but closed to us
        LocalFree(nobody);
        ASSERT_NE(theirs, nullptr);
        s->Flash();
        refused(*s);
        CloseHandle(theirs);
    }
    // Held from the call until its outcome is answered, not a moment longer,
    // and through an erased device's retries: between its box and the next call too.
    s->Flash();
    EXPECT_EQ(s->Box().text, golden::kDeviceNotFoundText);
    other.Flash();
    refused(other);
    s->Answer(IDRETRY);
    EXPECT_EQ(s->Box().text, golden::kWrongFileText);
    other.Flash();
    refused(other);
    s->Answer(IDRETRY);
    ASSERT_TRUE(s->DialogInFront());
    EXPECT_TRUE(AllowsLogOff(s->window)) << "nothing is being written now";
    other.Flash();
    EXPECT_EQ(other.Box().title, golden::kSuccessTitle);
    other.Answer(IDOK);
    other.ExpectIdle();
    s->Answer(IDCANCEL);
    const std::vector<FlashCall> calls = s->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(other.Calls().size(), 1u);

    // Loading the library rounded both units toward zero and flushed denormals;
    // each call changes all three again.
    unsigned x87 = 0, mxcsr = 0;
    ASSERT_EQ(sscanf(calls[0].state.c_str(), "%X,%X,", &x87, &mxcsr), 2) << calls[0].state;
    EXPECT_NE(x87 & 0x0C00, 0x0C00u) << "the x87 rounding as the library's loading left it";
    BOOL is32Bit = FALSE;
    ASSERT_TRUE(IsWow64Process(s->Handle(), &is32Bit));
    // A 32-bit DLL built with the Windows compilers is written for 53-bit precision.
    if (is32Bit) {
        EXPECT_EQ(x87 & 0x0300, 0x0200u) << "x87 precision " << std::hex << x87;
    }
    EXPECT_EQ(mxcsr & 0xE000, 0u) << "MXCSR as the library's loading left it";
    EXPECT_EQ(calls[1].state, calls[0].state);
}

TEST_F(Update, PathReachesTheLibraryInTheAnsiCodePageAndNeverAsALookAlike) {
    ASSERT_EQ(GetACP(), 1252u) << "the suite runs with code page 1252";
    Start("0,0");
    // Best fit would turn the fullwidth name into the decoy's.
    const std::wstring fullwidth = L"\uff46\uff49\uff52\uff4d.bin";
    s->Write(L"caf\u00e9.bin", Firmware('c'))
        .Write(L"firm.bin", Firmware('d'))
        .Write(fullwidth, Firmware('f'));
    s->Flash(L"caf\u00e9.bin");
    s->Answer(IDOK);
    s->ExpectIdle();
    ASSERT_EQ(s->Calls().size(), 1u);
    EXPECT_EQ(s->Calls()[0].path, Ansi(s->Folder()) + "\\caf\xE9.bin");
    EXPECT_EQ(s->Calls()[0].crc, CrcOf(Firmware('c')));

    s->Flash(fullwidth);
    const MessageBoxView outcome = s->Box();
    const std::vector<FlashCall> calls = s->Calls();
    // Where the file system makes 8.3 names the library reads the file through
    // its short name; where it does not, the program refuses and says so.
    const std::wstring path = s->File(fullwidth);
    std::wstring shortPath(MAX_PATH, L'\0');
    shortPath.resize(GetShortPathNameW(path.c_str(), shortPath.data(), MAX_PATH));
    if (!shortPath.empty() && shortPath != path) {
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].path, Ansi(shortPath));
        EXPECT_EQ(calls[1].crc, CrcOf(Firmware('f'))) << "the library read " << calls[1].path;
        EXPECT_EQ(outcome.title, golden::kSuccessTitle);
    } else {
        EXPECT_EQ(calls.size(), 1u);
        EXPECT_EQ(outcome.text, golden::PathNotInCodePageText(path)) << "refused: the user is told";
        s->Answer(IDOK);
        EXPECT_TRUE(s->DialogInFront()) << "another file, or the same elsewhere";
    }
    s->Answer(IDCANCEL);
    s->ExpectIdle();
}

}  // namespace
