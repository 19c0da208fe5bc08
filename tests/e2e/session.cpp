#include "session.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace {

std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

std::vector<FlashCall> ReadCalls(const std::wstring& logPath) {
    std::vector<FlashCall> calls;
    std::istringstream log(ReadWholeFile(logPath));
    for (std::string line; std::getline(log, line);) {
        if (line.rfind("call path=", 0) != 0) continue;
        const std::size_t tail = line.rfind(" opened=");
        FlashCall call;
        call.path = Unescape(line.substr(10, tail - 10));
        int opened = 0, zeroed = 0;
        sscanf(line.c_str() + tail, " opened=%d size=%*u crc=%" SCNx32 " result=%ld zeroed=%d", &opened,
               &call.crc, &call.result, &zeroed);
        call.opened = opened != 0;
        call.zeroFilled = zeroed != 0;
        if (const std::size_t state = line.find(" state=", tail); state != std::string::npos)
            call.state = line.substr(state + 7);
        calls.push_back(call);
    }
    return calls;
}

}  // namespace

::testing::ScopedTrace TraceFrom(const Caller& caller) {
    return ::testing::ScopedTrace(caller.file_name(), static_cast<int>(caller.line()), "called from here");
}

MessageBoxView ConfirmationBox(const std::wstring& path) {
    return {golden::kConfirmationTitle, golden::ConfirmationText(path), {L"OK", L"Cancel"}, false};
}

std::string Firmware(char tag) {
    std::string image;
    for (int i = 0; i < 8; ++i) image += std::string("\x18\xF0\x9F\xE5", 4);
    return image + std::string(1024, tag);
}

Session::Session(const std::wstring& name, const std::string& results, LaunchOptions options,
                 bool withoutEntryPoint)
    : folder(name), log_(AppFolder::WorkFile(name + L".log")) {
    if (withoutEntryPoint)
        folder.Copy(L"sim-variants\\no-export\\OSCdll.DLL", L"OSCdll.DLL")
            .Copy(L"bin\\AT91Boot_DLL.dll", L"AT91Boot_DLL.dll");
    else
        folder.WithStandardLibraries();
    folder.Write(L"new firmware v2.bin", Firmware('a'));
    DeleteFileW(log_.c_str());
    options.environment.push_back({L"KORVANI_SIM_LOG", log_});
    options.environment.push_back({L"KORVANI_SIM_RESULTS", std::wstring(results.begin(), results.end())});
    program = std::make_unique<Program>(folder, options);
    window = program->WaitForMainWindow();
    EXPECT_NE(window, nullptr) << "the main window did not open";
}

std::vector<FlashCall> Session::Calls() const {
    return ReadCalls(log_);
}

HWND Session::Front(Caller caller) const {
    const auto trace = TraceFrom(caller);
    HWND front = program->WaitForDialog();
    EXPECT_NE(front, nullptr) << "nothing is shown";
    return front;
}

bool Session::DialogInFront(Caller caller) const {
    return TextOf(Front(caller)) == golden::kDialogTitle;
}

MessageBoxView Session::Box(Caller caller) const {
    HWND front = Front(caller);
    // Every box is modal over the main window.
    const auto trace = TraceFrom(caller);
    EXPECT_EQ(GetWindow(front, GW_OWNER), window) << "the box belongs to no window";
    EXPECT_FALSE(IsWindowEnabled(window)) << "the main window takes input behind a box";
    return ReadMessageBox(front);
}

void Session::ClickUpdate() {
    Press(window, golden::kUpdateButton);
}

void Session::Pick(const std::wstring& name, Caller caller) {
    const auto trace = TraceFrom(caller);
    HWND dialog = Front(caller);
    ASSERT_EQ(TextOf(dialog), golden::kDialogTitle);
    ASSERT_EQ(GetWindow(dialog, GW_OWNER), window) << "the dialog belongs to the main window";
    ASSERT_FALSE(IsWindowEnabled(window)) << "the main window takes input behind the dialog";
    if (!name.empty()) FileDialog::TypeFileName(dialog, name);
    Press(dialog, IDOK);
    ASSERT_TRUE(WaitGone(dialog));
}

void Session::Answer(int button, Caller caller) {
    const auto trace = TraceFrom(caller);
    HWND box = Front(caller);
    if (button == kCloseBox)
        Close(box);
    else
        Press(box, button);
    ASSERT_TRUE(WaitGone(box));
}

void Session::Confirm(const std::wstring& name, Caller caller) {
    const auto trace = TraceFrom(caller);
    EXPECT_EQ(Box(caller), ConfirmationBox(folder.File(name)));
    Answer(IDOK, caller);
}

void Session::Flash(const std::wstring& name, Caller caller) {
    ClickUpdate();
    Pick(name, caller);
    Confirm(name, caller);
}

void Session::ExpectIdle(Caller caller) {
    const auto trace = TraceFrom(caller);
    EXPECT_TRUE(WaitUntil([&] { return program->Windows() == std::vector<HWND>{window}; }))
        << "a dialog or message is still shown";
    EXPECT_FALSE(WaitUntil([&] { return program->Windows() != std::vector<HWND>{window}; }, 300))
        << "a dialog or message opened again";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(window); })) << "the window stays disabled";
    // Space and Enter must work at once, without a click to find the button.
    EXPECT_TRUE(WaitUntil([&] { return program->Focus() == GetDlgItem(window, golden::kUpdateButton); }))
        << "the button does not have the focus";
}
