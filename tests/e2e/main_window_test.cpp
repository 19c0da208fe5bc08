// The main window and the open-file dialog as the user first meets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "session.h"

namespace {

// Client area 2670 x 1155 twips; the button at 360, 240, 1935 x 615 twips. By
// density: the client's width and height, the button's left, top, width and height.
using Geometry = std::array<LONG, 6>;
const std::map<int, Geometry> kGeometries = {{96, {178, 77, 24, 16, 129, 41}},
                                             {144, {267, 116, 36, 24, 194, 62}}};

// The runner says which density the display has.
int DisplayDpi() {
    const char* dpi = std::getenv("KORVANI_E2E_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

RECT ClientRectOf(HWND child, HWND parent) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class MainWindow : public ::testing::Test {
protected:
    Session s{L"main-window", "0"};
    Program* program = s.program.get();
    HWND window = s.window;

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        s.folder.Write(L"alpha.bin", "a").Write(L"beta.BIN", "b").Write(L"notes.txt", "n");
    }

    HWND OpenDialog() {
        s.ClickUpdate();
        return s.Front();
    }
};

TEST_F(MainWindow, LooksAsDefined) {
    EXPECT_EQ(TextOf(window), golden::kWindowTitle);

    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_CAPTION | WS_SYSMENU)
        << "a title bar with only the close button, and no resizing border";

    // The window is laid out in twips, at the display's density.
    const auto expected = kGeometries.find(DisplayDpi());
    ASSERT_NE(expected, kGeometries.end()) << "no expectation for " << DisplayDpi() << " DPI";
    HWND button = GetDlgItem(window, golden::kUpdateButton);
    ASSERT_NE(button, nullptr);
    RECT client;
    GetClientRect(window, &client);
    const RECT place = ClientRectOf(button, window);
    EXPECT_EQ((Geometry{client.right, client.bottom, place.left, place.top, place.right - place.left,
                        place.bottom - place.top}),
              expected->second);
    EXPECT_EQ(ClassOf(button), L"Button");
    EXPECT_EQ(TextOf(button), golden::kButtonCaption);
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "not a default button";

    // The window shows an instant before its activation hands the focus on.
    EXPECT_TRUE(WaitUntil([&] { return program->Focus() == button; })) << "the button has the keyboard focus";
}

TEST_F(MainWindow, SpaceOrEnterOnTheFocusedButtonOpensTheDialog) {
    HWND button = GetDlgItem(window, golden::kUpdateButton);
    for (WORD key : {WORD{VK_SPACE}, WORD{VK_RETURN}}) {
        ASSERT_TRUE(WaitUntil([&] { return program->Focus() == button; })) << key;
        PressKeys({key});
        HWND dialog = program->WaitForDialog();
        ASSERT_NE(dialog, nullptr) << key;
        EXPECT_EQ(TextOf(dialog), golden::kDialogTitle);
        Press(dialog, IDCANCEL);
        EXPECT_TRUE(WaitGone(dialog));
    }
}

TEST_F(MainWindow, ClosingEndsTheProgramWithZero) {
    Close(window);
    EXPECT_EQ(program->WaitForExit(), DWORD{golden::kExitWindowClosed});
}

TEST_F(MainWindow, DialogOpensInTheApplicationFolderOnBinFiles) {
    HWND dialog = OpenDialog();
    EXPECT_EQ(TextOf(dialog), golden::kDialogTitle);
    EXPECT_EQ(FileDialog::FileTypes(dialog),
              (std::vector<std::wstring>{golden::kBinFiles, golden::kAllFiles}));
    EXPECT_EQ(FileDialog::SelectedFileType(dialog), 0);
    HWND readOnly = GetDlgItem(dialog, FileDialog::kReadOnly);
    EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly)) << "a read-only check box shows";

    const std::vector<std::wstring> binFiles = {L"alpha.bin", L"beta.BIN", L"new firmware v2.bin"};
    EXPECT_TRUE(WaitUntil([&] { return Sorted(FileDialog::ListedNames(*program, dialog)) == binFiles; }))
        << "listed: " << FileDialog::ListedNames(*program, dialog).size() << " items";

    FileDialog::SelectFileType(dialog, 1);
    const std::vector<std::wstring> everything = {
        L"AT91Boot_DLL.dll", L"KorvaniFWUpdater.exe", L"OSCdll.DLL", L"OSCdllHelper.dll", L"alpha.bin",
        L"beta.BIN",         L"new firmware v2.bin",  L"notes.txt"};
    EXPECT_TRUE(WaitUntil([&] { return Sorted(FileDialog::ListedNames(*program, dialog)) == everything; }));
}

TEST_F(MainWindow, CancellingTheDialogEndsTheClickSilently) {
    for (int opening = 1; opening <= 2; ++opening) {
        HWND dialog = OpenDialog();
        // Every opening is configured alike.
        EXPECT_EQ(TextOf(dialog), golden::kDialogTitle) << opening;
        EXPECT_EQ(FileDialog::FileTypes(dialog).size(), 2u) << opening;
        if (opening == 1)
            Press(dialog, IDCANCEL);
        else
            Close(dialog);
        ASSERT_TRUE(WaitGone(dialog));
        s.ExpectIdle();  // no message after a cancel
    }
}

TEST_F(MainWindow, TypedNameOfAMissingFileIsRefusedByTheDialog) {
    HWND dialog = OpenDialog();
    FileDialog::TypeFileName(dialog, L"missing.bin");
    Press(dialog, IDOK);
    HWND warning = program->WaitForDialog(dialog);
    ASSERT_NE(warning, nullptr) << "the dialog warns about the missing file";
    EXPECT_FALSE(ReadMessageBox(warning).text.empty());
    Press(warning, IDOK);
    ASSERT_TRUE(WaitGone(warning));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
    Press(dialog, IDCANCEL);
    EXPECT_TRUE(WaitGone(dialog));
}

}  // namespace
