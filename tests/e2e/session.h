// One running program in a fresh folder beside the scripted controller, and
// what its user does with it: click, pick a file, answer boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <source_location>
#include <string>
#include <vector>

#include "app_folder.h"
#include "program.h"

constexpr int kCloseBox = 0;  // for Answer: the title-bar close button

// Every step a test takes names the test's line in a failure, not the helper's.
using Caller = std::source_location;
::testing::ScopedTrace TraceFrom(const Caller& caller);

struct FlashCall {
    std::string path;  // the bytes the library received
    bool opened;
    std::uint32_t crc;
    long result;
    bool zeroFilled;    // the buffer held zeros after the path, up to MAX_PATH bytes
    std::string state;  // with KORVANI_SIM_STATE=1: "x87,MXCSR,current directory" as the call found them
};

// The question before flashing `path`, as its user sees it.
MessageBoxView ConfirmationBox(const std::wstring& path);

// A plausible firmware image, told apart from others by `tag`.
std::string Firmware(char tag);

class Session {
public:
    // `results`: what the simulated controller answers, call after call.
    Session(const std::wstring& name, const std::string& results, LaunchOptions options = {},
            bool withoutEntryPoint = false);

    AppFolder folder;
    std::unique_ptr<Program> program;
    HWND window = nullptr;

    std::vector<FlashCall> Calls() const;  // read from the controller's log

    // The dialog or message box now in front of the user.
    HWND Front(Caller caller = Caller::current()) const;
    bool DialogInFront(Caller caller = Caller::current()) const;
    MessageBoxView Box(Caller caller = Caller::current()) const;

    void ClickUpdate();
    // Types `name` into the open-file dialog (empty: keep what it offers) and presses Open.
    void Pick(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    void Answer(int button, Caller caller = Caller::current());  // a button id, or kCloseBox
    // Checks the question names `name` in the application folder, and answers OK.
    void Confirm(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    // Clicks the button, picks `name` and confirms it: the library is called next.
    void Flash(const std::wstring& name = L"new firmware v2.bin", Caller caller = Caller::current());
    // Only the main window is shown, enabled, with the focus on its button.
    void ExpectIdle(Caller caller = Caller::current());

private:
    std::wstring log_;
};
