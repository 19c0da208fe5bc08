// What a result means, and the boxes that say it.
#include "flash_result.h"
#include "message_boxes.h"

#include <gtest/gtest.h>

#include "golden_texts.h"
#include "unhandled_error.h"

namespace {

TEST(FlashResult, EveryValueOf16BitsHasOneMeaning) {
    for (int value = -32768; value <= 32767; ++value) {
        FlashOutcome expected = FlashOutcome::Unexpected;
        if (value == 0) expected = FlashOutcome::Success;
        if (value == -2) expected = FlashOutcome::ErasedNotRecognised;
        if (value == -3 || value == -4) expected = FlashOutcome::NotFirmware;
        ASSERT_EQ(ClassifyFlashResult(static_cast<FlashResult>(value)), expected) << value;
    }
}

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
    ExpectBox(RefusalBox(FlashRefusal::AnotherCopyUpdating, L"C:\\a.bin"), golden::kAnotherUpdateText,
              nullptr, 48);
    ExpectBox(RefusalBox(FlashRefusal::OneFlashNameTaken, L"C:\\a.bin"), golden::kNameTakenText, nullptr, 48);
    ExpectBox(RefusalBox(FlashRefusal::PathTooLong, L"C:\\a.bin"), golden::PathTooLongText(L"C:\\a.bin"),
              nullptr, 48);
    ExpectBox(RefusalBox(FlashRefusal::PathNotInCodePage, L"C:\\\uff46.bin"),
              golden::PathNotInCodePageText(L"C:\\\uff46.bin"), nullptr, 48);
    // The run-time's own box, beside the dialogue's: error icon, task-modal.
    ExpectBox(UnhandledErrorBox({6, L"Overflow"}), L"Run-time error '6':\r\n\r\nOverflow", nullptr,
              16 + 8192);
}

}  // namespace
