#include "library_fault_text.h"

#include <gtest/gtest.h>

#include <string>

#include "golden_texts.h"

namespace {

TEST(LibraryFaultText, NamesCodeAndPlaceAndFitsItsBuffer) {
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
    WriteProgramFaultText(text, 0xC0000005, L"KorvaniFWUpdater.exe", 0x10);
    EXPECT_EQ(text, L"Korvani Update failed with exception C0000005 in KorvaniFWUpdater.exe at offset 0x10" +
                        std::wstring(golden::kProgramFaultAdvice));
    WriteProgramFaultDuringWriteText(text, 0xC0000005, L"shell32.dll", 0x10);
    EXPECT_EQ(text, L"Korvani Update failed with exception C0000005 in shell32.dll at offset 0x10" +
                        std::wstring(golden::kProgramFaultDuringWriteAdvice));
}

// What the watcher says when the program ended at each stage of an update:
// never that a write was cut short once the library had answered, nor that
// the controller may be erased after a result that leaves it whole.
TEST(LibraryFaultText, AnEndingIsToldOnlyWhereTheControllerMayBeLeftErased) {
    const std::wstring nothing;
    const struct {
        AttemptStage stage;
        std::int32_t result;
        std::wstring told;
    } endings[] = {
        {AttemptStage::None, 0, nothing},
        {AttemptStage::Calling, 0, golden::UpdateCutShortText(L"C0000409")},
        {AttemptStage::Answered, 0, nothing},
        {AttemptStage::Answered, -3, nothing},
        {AttemptStage::Answered, -4, nothing},
        {AttemptStage::Answered, -2, golden::UpdateEndedBeforeAnswerText(L"C0000409")},
        {AttemptStage::Answered, -1, golden::UpdateEndedBeforeAnswerText(L"C0000409")},
        {AttemptStage::Answered, 65536, golden::UpdateEndedBeforeAnswerText(L"C0000409")},  // -> overflow
        {AttemptStage::Told, -2, nothing},
    };
    for (const auto& ending : endings) {
        wchar_t text[512];
        const bool told = WriteUpdateEndedText(text, ending.stage, ending.result, 0xC0000409);
        EXPECT_EQ(told ? std::wstring(text) : nothing, ending.told)
            << static_cast<int>(ending.stage) << " " << ending.result;
    }
}

}  // namespace
