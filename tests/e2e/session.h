// One running program in a fresh folder beside the scripted controller, and
// what its user does with it: click, pick a file, answer boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app_folder.h"
#include "program.h"

constexpr int kUpdateButton = 100;
constexpr const wchar_t* kDialogTitle = L"Select the new firmware file";
constexpr int kCloseBox = 0;  // for Answer: the title-bar close button

struct FlashCall {
    std::string path;  // the bytes the library received
    bool opened;
    std::uint32_t crc;
    long result;
};

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
    HWND Front() const;
    bool DialogInFront() const;
    MessageBoxView Box() const;

    void ClickUpdate();
    // Types `name` into the open-file dialog (empty: keep what it offers) and presses Open.
    void Pick(const std::wstring& name = L"new firmware v2.bin");
    void Answer(int button);  // a button id, or kCloseBox
    // Checks the question names `name` in the application folder, and answers OK.
    void Confirm(const std::wstring& name = L"new firmware v2.bin");
    void ExpectIdle();

private:
    std::wstring log_;
};
