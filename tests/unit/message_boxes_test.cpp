#include "message_boxes.h"

#include <gtest/gtest.h>

#include "product.h"

namespace {

void ExpectBox(const MessageBoxContents& box, const wchar_t* text, const wchar_t* title, int style) {
    EXPECT_EQ(box.text, text);
    if (title == nullptr)
        EXPECT_FALSE(box.title.has_value());
    else
        EXPECT_EQ(box.title.value_or(L"<none>"), title);
    EXPECT_EQ(box.style, style);
}

TEST(MessageBoxes, TextsTitlesButtonsAndIconsAreExact) {
    ExpectBox(SelectionErrorBox({-32768, L"The function failed to load the dialog box"}),
              L"Error -32768 selecting file.\r\nThe function failed to load the dialog box", nullptr, 0);
    ExpectBox(SelectionErrorBox({20477, L"Filename is invalid"}),
              L"Error 20477 selecting file.\r\nFilename is invalid", nullptr, 0);
    ExpectBox(ConfirmationBox(L"C:\\My Firmware\\new version.bin"),
              L"Are you sure you want to update your Korvani with \nC:\\My Firmware\\new version.bin?",
              L"Confirmation", 1);
    ExpectBox(SuccessBox(),
              L"Remember to unplug and replug again the Korvani\nin order to activate the new version",
              L"Updated!", 48);
    ExpectBox(WrongFileBox(), L"The selected file is not a firmware binary.", L"Warning", 5);
    ExpectBox(DeviceNotFoundBox(),
              L"The erased Korvani is not recognized; please make sure\n"
              L"you have disconnected and reconnected again an Windows\n"
              L"has recognized the new device",
              L"Warning", 5);
    ExpectBox(UnexpectedResultBox(),
              L"Unexpected error.\nYou can try again or check Quellmar's wiki web\n"
              L"(" KORVANI_SUPPORT_WIKI ") for help and tools.",
              L"Warning", 5);
}

TEST(MessageBoxes, LibraryFaultNamesCodeAndPlaceAndFitsItsBuffer) {
    const std::wstring advice =
        L".\nYour Korvani may have been left erased.\n"
        L"Disconnect it, reconnect it and start the update again.\n"
        L"If this happens again, check Quellmar's wiki web\n(" KORVANI_SUPPORT_WIKI ") for help and tools.";
    wchar_t text[512];
    WriteLibraryFaultText(text, 0xC0000005, L"OSCdll.DLL", 0x1A2B);
    EXPECT_EQ(text,
              L"The flashing library failed with exception C0000005 in OSCdll.DLL at offset 0x1A2B" + advice);
    WriteLibraryFaultText(text, 0x5, L"", 0);
    EXPECT_EQ(text, L"The flashing library failed with exception 00000005" + advice);
    wchar_t small[8];
    WriteLibraryFaultText(small, 0xE06D7363, L"x", 0);
    EXPECT_EQ(std::wstring(small), L"The fla");
}

TEST(MessageBoxes, UnhandledErrorNamesNumberAndDescription) {
    ExpectBox(UnhandledErrorBox({6, L"Overflow"}), L"Run-time error '6':\r\n\r\nOverflow", L"Korvani Update",
              16 + 0x2000);
}

}  // namespace
