// The update dialogue, driven through the real window against the scripted
// simulated controller; its call log tells what the library was given.
#include <gtest/gtest.h>

#include <memory>

#include "../../simulator/crc32.h"
#include "app_folder.h"
#include "program.h"

namespace {

constexpr int kUpdateButton = 100;
constexpr const wchar_t* kDialogTitle = L"Select the new firmware file";

const std::wstring kSuccessText = L"Remember to unplug and replug again the Korvani\nin order to activate the new version";
const std::wstring kWrongFileText = L"The selected file is not a firmware binary.";
const std::wstring kDeviceNotFoundText =
    L"The erased Korvani is not recognized; please make sure\n"
    L"you have disconnected and reconnected again an Windows\n"
    L"has recognized the new device";
const std::wstring kUnexpectedText =
    L"Unexpected error.\nYou can try again or check Quellmar's wiki web\n"
    L"(https://wiki.quellmar.example) for help and tools.";
const std::vector<std::wstring> kRetryCancel = {L"&Retry", L"Cancel"};

struct FlashCall {
    std::string path;  // the bytes the library received
    bool opened;
    std::uint32_t crc;
    long result;
};

std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() + 1) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

std::vector<FlashCall> CallsIn(const std::wstring& logPath) {
    std::vector<FlashCall> calls;
    const std::string log = ReadWholeFile(logPath);
    std::size_t start = 0;
    for (std::size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = log.substr(start, end - start);
        if (line.rfind("call path=", 0) != 0) continue;
        const std::size_t tail = line.rfind(" opened=");
        FlashCall call;
        call.path = Unescape(line.substr(10, tail - 10));
        unsigned long long size;
        unsigned crc;
        int opened;
        sscanf(line.c_str() + tail, " opened=%d size=%llu crc=%X result=%ld", &opened, &size, &crc, &call.result);
        call.opened = opened != 0;
        call.crc = crc;
        calls.push_back(call);
    }
    return calls;
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

// A plausible image, told apart from others by `tag`.
std::string Firmware(char tag) {
    std::string image;
    for (int i = 0; i < 8; ++i) image += std::string("\x18\xF0\x9F\xE5", 4);
    return image + std::string(1024, tag);
}

class Update : public ::testing::Test {
protected:
    std::unique_ptr<AppFolder> folder;
    std::unique_ptr<Program> program;
    HWND window = nullptr;
    std::wstring log;

    // `results`: what the simulated controller answers, call after call.
    void Start(const std::string& results, LaunchOptions options = {}, bool withoutEntryPoint = false) {
        const std::wstring name = Wide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        folder = std::make_unique<AppFolder>(L"update-" + name);
        if (withoutEntryPoint)
            folder->Copy(L"sim-variants\\no-export\\OSCdll.DLL", L"OSCdll.DLL")
                .Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
        else
            folder->WithStandardLibraries();
        folder->Write(L"new firmware v2.bin", Firmware('a'));
        log = AppFolder::WorkFile(L"update-" + name + L".log");
        DeleteFileW(log.c_str());
        options.environment.push_back({L"KORVANI_SIM_LOG", log});
        options.environment.push_back({L"KORVANI_SIM_RESULTS", Wide(results)});
        program = std::make_unique<Program>(*folder, options);
        window = program->WaitForMainWindow();
        ASSERT_NE(window, nullptr);
    }

    static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

    std::vector<FlashCall> Calls() const { return CallsIn(log); }

    // The dialog or message box now in front of the user.
    HWND Front() const {
        HWND front = program->WaitForDialog();
        EXPECT_NE(front, nullptr) << "nothing is shown";
        return front;
    }
    bool DialogInFront() const { return TextOf(Front()) == kDialogTitle; }
    MessageBoxView Box() const { return ReadMessageBox(Front()); }

    void ClickUpdate() { Press(window, kUpdateButton); }

    void Pick(const std::wstring& name = L"new firmware v2.bin") {
        HWND dialog = Front();
        ASSERT_EQ(TextOf(dialog), kDialogTitle);
        if (!name.empty()) FileDialog::TypeFileName(dialog, name);
        Press(dialog, IDOK);
        ASSERT_TRUE(WaitGone(dialog));
    }

    void Answer(int button) {
        HWND box = Front();
        if (button == 0)
            Close(box);
        else
            Press(box, button);
        ASSERT_TRUE(WaitGone(box));
    }

    // Confirms the chosen file, expecting `name` in the question.
    void Confirm(const std::wstring& name = L"new firmware v2.bin") {
        const MessageBoxView confirmation = Box();
        EXPECT_EQ(confirmation.title, L"Confirmation");
        EXPECT_EQ(confirmation.text, L"Are you sure you want to update your Korvani with \n" + folder->File(name) + L"?");
        Answer(IDOK);
    }

    void ExpectIdle() {
        EXPECT_TRUE(WaitUntil([&] { return program->Windows() == std::vector<HWND>{window}; }))
            << "a dialog or message is still shown";
        Sleep(300);
        EXPECT_EQ(program->Windows(), std::vector<HWND>{window});
        EXPECT_TRUE(IsWindowEnabled(window));
    }
};

TEST_F(Update, ConfirmationNamesThePathAndRefusingItReopensTheDialog) {
    Start("0");
    ClickUpdate();
    Pick();
    const MessageBoxView confirmation = Box();
    EXPECT_EQ(confirmation.title, L"Confirmation");
    // The name was typed bare: the dialog started in the application folder.
    EXPECT_EQ(confirmation.text,
              L"Are you sure you want to update your Korvani with \n" + folder->File(L"new firmware v2.bin") + L"?");
    EXPECT_EQ(confirmation.buttons, (std::vector<std::wstring>{L"OK", L"Cancel"}));
    EXPECT_FALSE(confirmation.hasIcon);

    Answer(IDCANCEL);
    EXPECT_TRUE(DialogInFront());
    Pick();
    Answer(0);  // closing the box refuses it too
    EXPECT_TRUE(DialogInFront());
    Answer(IDCANCEL);
    ExpectIdle();
    EXPECT_TRUE(Calls().empty()) << "nothing may be flashed without an OK";
}

TEST_F(Update, SuccessIsToldOnceAndTheWindowTakesAnotherClick) {
    Start("0");
    ClickUpdate();
    Pick();
    Confirm();
    const MessageBoxView success = Box();
    EXPECT_EQ(success.title, L"Updated!");
    EXPECT_EQ(success.text, kSuccessText);
    EXPECT_EQ(success.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_TRUE(success.hasIcon);
    Answer(IDOK);
    ExpectIdle();

    const std::vector<FlashCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].path, Ansi(folder->File(L"new firmware v2.bin")));
    EXPECT_TRUE(calls[0].opened);
    EXPECT_EQ(calls[0].crc, CrcOf(Firmware('a')));

    ClickUpdate();
    EXPECT_TRUE(DialogInFront());
    Answer(IDCANCEL);
    ExpectIdle();
    EXPECT_EQ(Calls().size(), 1u);
}

TEST_F(Update, NotAFirmwareImageRetriesThroughDialogAndConfirmation) {
    Start("-3,-4");
    ClickUpdate();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Pick();
        Confirm();
        const MessageBoxView warning = Box();
        EXPECT_EQ(warning.title, L"Warning");
        EXPECT_EQ(warning.text, kWrongFileText);
        EXPECT_EQ(warning.buttons, kRetryCancel);
        EXPECT_FALSE(warning.hasIcon);
        Answer(attempt == 0 ? IDRETRY : IDCANCEL);
    }
    ExpectIdle();
    EXPECT_EQ(Calls().size(), 2u);
}

TEST_F(Update, ErasedDeviceRetryFlashesTheSameFileWithoutAsking) {
    Start("-2,-2,0");
    ClickUpdate();
    Pick();
    Confirm();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const MessageBoxView warning = Box();
        EXPECT_EQ(warning.title, L"Warning");
        EXPECT_EQ(warning.text, kDeviceNotFoundText);
        EXPECT_EQ(warning.buttons, kRetryCancel);
        Answer(IDRETRY);
    }
    EXPECT_EQ(Box().title, L"Updated!");
    Answer(IDOK);
    ExpectIdle();

    const std::vector<FlashCall> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const FlashCall& call : calls) EXPECT_EQ(call.path, calls[0].path);
}

TEST_F(Update, UnexpectedResultsOfferTheDialogAgainAndNeverClaimSuccess) {
    // The last two do not fit 16 bits.
    const std::vector<long> unexpected = {-1, -5, -32768, 1, 32767, 32768, -32769};
    Start("-1,-5,-32768,1,32767,32768,-32769,0");
    ClickUpdate();
    for (long result : unexpected) {
        Pick();
        Confirm();
        const MessageBoxView warning = Box();
        EXPECT_EQ(warning.text, kUnexpectedText) << result;
        EXPECT_EQ(warning.title, L"Warning");
        EXPECT_EQ(warning.buttons, kRetryCancel);
        Answer(IDRETRY);
        EXPECT_TRUE(DialogInFront()) << result;
    }
    Pick();
    Confirm();
    EXPECT_EQ(Box().title, L"Updated!");
    Answer(IDOK);
    ExpectIdle();
    EXPECT_EQ(Calls().size(), unexpected.size() + 1);
}

TEST_F(Update, ClosingARetryBoxEndsTheClick) {
    Start("-3,-2,-1");
    for (int click = 0; click < 3; ++click) {
        ClickUpdate();
        Pick();
        Confirm();
        EXPECT_EQ(Box().buttons, kRetryCancel);
        Answer(0);
        ExpectIdle();
    }
    EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(Update, LibraryWithoutTheEntryPointIsAnUnexpectedResultEachTime) {
    Start("0", {}, /*withoutEntryPoint=*/true);
    ClickUpdate();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Pick();
        Confirm();
        EXPECT_EQ(Box().text, kUnexpectedText);
        Answer(attempt == 0 ? IDRETRY : IDCANCEL);
    }
    ExpectIdle();
    EXPECT_TRUE(program->IsRunning());
}

TEST_F(Update, LibraryWritingIntoThePathDoesNotChangeTheChosenFile) {
    LaunchOptions scribbling;
    scribbling.environment.push_back({L"KORVANI_SIM_SCRIBBLE", L"1"});
    Start("-2,-3,0", scribbling);
    ClickUpdate();
    Pick();
    Confirm();
    Answer(IDRETRY);                      // erased device: flashes again at once
    EXPECT_EQ(Box().text, kWrongFileText);
    Answer(IDRETRY);
    Pick(L"");                            // the dialog offers the previous choice; take it
    Confirm();                            // still the real path, not what the library wrote
    Answer(IDOK);
    ExpectIdle();
    const std::vector<FlashCall> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const FlashCall& call : calls) EXPECT_EQ(call.path, Ansi(folder->File(L"new firmware v2.bin")));
}

TEST_F(Update, PathReachesTheLibraryInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "the suite runs with code page 1252";
    Start("0");
    folder->Write(L"caf\u00e9.bin", Firmware('c'));
    ClickUpdate();
    Pick(L"caf\u00e9.bin");
    Confirm(L"caf\u00e9.bin");
    Answer(IDOK);
    ExpectIdle();
    const std::vector<FlashCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].path, Ansi(folder->Path()) + "\\caf\xE9.bin");
    EXPECT_EQ(calls[0].crc, CrcOf(Firmware('c')));
}

TEST_F(Update, NameOutsideTheCodePageNeverReachesALookAlikeFile) {
    ASSERT_EQ(GetACP(), 1252u) << "the suite runs with code page 1252";
    Start("0");
    // Best fit would turn the fullwidth name into the decoy's.
    const std::wstring fullwidth = L"\uff46\uff49\uff52\uff4d.bin";
    folder->Write(L"firm.bin", Firmware('d')).Write(fullwidth, Firmware('f'));
    ClickUpdate();
    Pick(fullwidth);
    Confirm(fullwidth);
    const MessageBoxView outcome = Box();
    const std::vector<FlashCall> calls = Calls();
    if (calls.empty()) {
        EXPECT_EQ(outcome.text, kUnexpectedText) << "refused: the user is told";
    } else {
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(calls[0].opened);
        EXPECT_EQ(calls[0].crc, CrcOf(Firmware('f'))) << "the library read " << calls[0].path;
        EXPECT_EQ(outcome.title, L"Updated!");
        EXPECT_NE(calls[0].path.find('~'), std::string::npos) << "handed over by its short name";
    }
    Answer(IDCANCEL);
    ExpectIdle();
}

}  // namespace
