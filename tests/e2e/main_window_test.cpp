// The main window and the open-file dialog as the user first meets them.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "driver.h"

#include <commctrl.h>  // after windows.h

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

constexpr int kFileTypes = 0x470, kReadOnly = 0x410;

std::vector<std::wstring> FileTypes(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kFileTypes);
    std::vector<std::wstring> types(static_cast<std::size_t>(SendWithTimeout(combo, CB_GETCOUNT)));
    for (std::size_t i = 0; i < types.size(); ++i) {
        wchar_t text[256] = L"";  // the dialog's own texts, far shorter
        SendWithTimeout(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        types[i] = text;
    }
    return types;
}

void SelectFileType(HWND dialog, int index) {
    HWND combo = GetDlgItem(dialog, kFileTypes);
    SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // What a user's pick in the drop-down list sends.
    for (WORD notification : {WORD{CBN_SELCHANGE}, WORD{CBN_SELENDOK}})
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypes, notification),
                     reinterpret_cast<LPARAM>(combo));
}

// The head of LVITEMW as a 32-bit program lays it out, with 4-byte pointers:
// as far as the text request reads.
struct ListViewItem32 {
    UINT mask;
    int iItem, iSubItem;
    UINT state, stateMask;
    std::uint32_t pszText;
    int cchTextMax;
};

// The list view's item texts live in the program's memory: read them through a
// buffer allocated there, with an item in the program's own layout. Sorted.
std::vector<std::wstring> ListedNames(const Program& program, HWND dialog) {
    std::vector<std::wstring> names;
    HWND list = Descendant(dialog, L"SysListView32");
    if (list == nullptr) return names;
    constexpr int kTextChars = 512;
    constexpr SIZE_T kItemRoom = 256;  // more than either layout of LVITEMW takes
    auto* remote = static_cast<char*>(VirtualAllocEx(
        program.Handle(), nullptr, kItemRoom + kTextChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) return names;
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(remote + kItemRoom);
    BOOL wow64 = FALSE;
    const bool is32Bit = IsWow64Process(program.Handle(), &wow64) && wow64;
    const ListViewItem32 item32 = {
        0, 0, 0, 0, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(remoteText)), kTextChars};
    LVITEMW item = {};
    item.pszText = remoteText;
    item.cchTextMax = kTextChars;
    const auto count = SendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Written anew each time: the list view may point pszText at a text of its own.
        WriteProcessMemory(program.Handle(), remote, is32Bit ? static_cast<const void*>(&item32) : &item,
                           is32Bit ? sizeof item32 : sizeof item, nullptr);
        std::wstring text(
            static_cast<std::size_t>(SendWithTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                                                     reinterpret_cast<LPARAM>(remote))),
            L'\0');
        ReadProcessMemory(program.Handle(), remoteText, text.data(), text.size() * sizeof(wchar_t), nullptr);
        names.push_back(text);
    }
    VirtualFreeEx(program.Handle(), remote, 0, MEM_RELEASE);
    std::sort(names.begin(), names.end());
    return names;
}

class MainWindow : public ::testing::Test {
protected:
    Program p{L"main-window"};

    void SetUp() override {
        p.WithLibraries().Write(L"alpha.bin", "a").Write(L"beta.BIN", "b").Write(L"notes.txt", "n");
        p.Open("0");
    }
};

TEST_F(MainWindow, LooksAsDefined) {
    EXPECT_EQ(TextOf(p.window), golden::kWindowTitle);

    const LONG_PTR style = GetWindowLongPtrW(p.window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_CAPTION | WS_SYSMENU)
        << "a title bar with only the close button, and no resizing border";

    // The window is laid out in twips, at the display's density.
    const auto expected = kGeometries.find(DisplayDpi());
    ASSERT_NE(expected, kGeometries.end()) << "no expectation for " << DisplayDpi() << " DPI";
    HWND button = GetDlgItem(p.window, golden::kUpdateButton);
    ASSERT_NE(button, nullptr);
    RECT client, place;
    GetClientRect(p.window, &client);
    GetWindowRect(button, &place);
    MapWindowPoints(nullptr, p.window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ((Geometry{client.right, client.bottom, place.left, place.top, place.right - place.left,
                        place.bottom - place.top}),
              expected->second);
    EXPECT_EQ(ClassOf(button), L"Button");
    EXPECT_EQ(TextOf(button), golden::kButtonCaption);
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "not a default button";

    // The window shows an instant before its activation hands the focus on.
    EXPECT_TRUE(WaitUntil([&] { return p.Focus() == button; })) << "the button has the keyboard focus";
}

// Space or Enter on the focused button, or a click, opens the dialog, alike
// every time; Cancel or its close button ends the click without a word, and
// closing the window ends the program with 0.
TEST_F(MainWindow, EveryWayInAndOutOfTheDialog) {
    enum Open { kSpace, kEnter, kClick };
    const struct {
        Open open;
        int leave;  // Cancel, or kCloseBox
    } ways[] = {{kSpace, IDCANCEL}, {kEnter, IDCANCEL}, {kClick, IDCANCEL}, {kClick, kCloseBox}};
    for (const auto& way : ways) {
        SCOPED_TRACE(::testing::Message() << way.open << " " << way.leave);
        if (way.open == kClick) {
            p.ClickUpdate();
        } else {
            ASSERT_TRUE(WaitUntil([&] { return p.Focus() == GetDlgItem(p.window, golden::kUpdateButton); }));
            PressKeys({way.open == kSpace ? WORD{VK_SPACE} : WORD{VK_RETURN}});
        }
        HWND dialog = p.Front();
        EXPECT_EQ(TextOf(dialog), golden::kDialogTitle);
        EXPECT_EQ(FileTypes(dialog).size(), 2u);
        p.Answer(way.leave);
        p.ExpectIdle();  // no message after a cancel
    }
    Close(p.window);
    EXPECT_EQ(p.WaitForExit(), DWORD{golden::kExitWindowClosed});
}

TEST_F(MainWindow, DialogOpensInTheApplicationFolderOnBinFiles) {
    p.ClickUpdate();
    HWND dialog = p.Front();
    EXPECT_EQ(TextOf(dialog), golden::kDialogTitle);
    EXPECT_EQ(FileTypes(dialog), (std::vector<std::wstring>{golden::kBinFiles, golden::kAllFiles}));
    EXPECT_EQ(SendWithTimeout(GetDlgItem(dialog, kFileTypes), CB_GETCURSEL, 0, 0), 0);
    HWND readOnly = GetDlgItem(dialog, kReadOnly);
    EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly)) << "a read-only check box shows";

    const std::vector<std::wstring> binFiles = {L"alpha.bin", L"beta.BIN", L"new firmware v2.bin"};
    EXPECT_TRUE(WaitUntil([&] { return ListedNames(p, dialog) == binFiles; }))
        << "listed: " << ListedNames(p, dialog).size() << " items";

    SelectFileType(dialog, 1);
    const std::vector<std::wstring> everything = {
        L"AT91Boot_DLL.dll", L"KorvaniFWUpdater.exe", L"OSCdll.DLL", L"OSCdllHelper.dll", L"alpha.bin",
        L"beta.BIN",         L"new firmware v2.bin",  L"notes.txt"};
    EXPECT_TRUE(WaitUntil([&] { return ListedNames(p, dialog) == everything; }));

    // The name of a missing file, typed: the dialog itself refuses it and stays open.
    TypeFileName(dialog, L"missing.bin");
    Press(dialog, IDOK);
    HWND warning = p.WaitForWindow(dialog);
    ASSERT_NE(warning, nullptr) << "the dialog warns about the missing file";
    EXPECT_FALSE(ReadMessageBox(warning).text.empty());
    Press(warning, IDOK);
    ASSERT_TRUE(WaitGone(warning));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
    p.Answer(IDCANCEL);
    p.ExpectIdle();
}

}  // namespace
