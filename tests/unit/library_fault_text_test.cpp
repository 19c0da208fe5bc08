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
    WriteUpdateCutShortText(text, 0xC0000409);
    EXPECT_EQ(text, golden::UpdateCutShortText(L"C0000409"));
}

}  // namespace
