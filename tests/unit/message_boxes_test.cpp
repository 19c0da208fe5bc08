#include "message_boxes.h"

#include <gtest/gtest.h>

#include "fixed_text.h"
#include "golden_texts.h"
#include "library_fault_text.h"
#include "unhandled_error.h"

namespace {

void ExpectBox(const MessageBoxContents& box, const std::wstring& text, const wchar_t* title, int style) {
    EXPECT_EQ(box.text, text);
    if (title == nullptr)
        EXPECT_FALSE(box.title.has_value());
    else
        EXPECT_EQ(box.title.value_or(L"<none>"), title);
    EXPECT_EQ(box.style, style);
}

TEST(MessageBoxes, TextsTitlesButtonsAndIconsAreExact) {
    ExpectBox(SelectionErrorBox({-32768, L"The function failed to load the dialog box"}),
              golden::SelectionErrorText(-32768, L"The function failed to load the dialog box"), nullptr, 0);
    ExpectBox(SelectionErrorBox({20477, L"Filename is invalid"}),
              golden::SelectionErrorText(20477, L"Filename is invalid"), nullptr, 0);
    ExpectBox(ConfirmationBox(L"C:\\My Firmware\\new version.bin"),
              golden::ConfirmationText(L"C:\\My Firmware\\new version.bin"), golden::kConfirmationTitle, 1);
    ExpectBox(SuccessBox(), golden::kSuccessText, golden::kSuccessTitle, 48);
    ExpectBox(WrongFileBox(), golden::kWrongFileText, golden::kWarningTitle, 5);
    ExpectBox(DeviceNotFoundBox(), golden::kDeviceNotFoundText, golden::kWarningTitle, 5);
    ExpectBox(UnexpectedResultBox(), golden::kUnexpectedText, golden::kWarningTitle, 5);
    // Titled by the application, as the selection error is.
    ExpectBox(AnotherUpdateRunningBox(), golden::kAnotherUpdateText, nullptr, 48);
    ExpectBox(LibraryBusyBox(), golden::kLibraryBusyText, nullptr, 48);
    ExpectBox(PathRefusedBox(L"C:\\\uff46.bin"), golden::PathRefusedText(L"C:\\\uff46.bin"), nullptr, 48);
    // Error icon, task-modal.
    ExpectBox(UnhandledErrorBox({6, L"Overflow"}), L"Run-time error '6':\r\n\r\nOverflow", nullptr,
              16 + 8192);
}

TEST(MessageBoxes, LibraryFaultNamesCodeAndPlaceAndFitsItsBuffer) {
    const std::wstring advice = golden::kLibraryFaultAdvice;
    wchar_t text[512];
    WriteLibraryFaultText(text, 0xC0000005, L"OSCdll.DLL", 0x1A2B);
    EXPECT_EQ(text,
              L"The flashing library failed with exception C0000005 in OSCdll.DLL at offset 0x1A2B" + advice);
    WriteLibraryFaultText(text, 0x5, L"", 0);
    EXPECT_EQ(text, L"The flashing library failed with exception 00000005" + advice);
    wchar_t small[8];
    WriteLibraryFaultText(small, 0xE06D7363, L"x", 0);
    EXPECT_EQ(std::wstring(small), L"The fla");
    WriteUpdateCutShortText(text, 0xC0000409);
    EXPECT_EQ(text, golden::UpdateCutShortText(L"C0000409"));
    FixedText(text).Hex(0xAB, 99);  // no more digits than the value's type has
    EXPECT_EQ(text, std::wstring(14, L'0') + L"AB");
}

}  // namespace
