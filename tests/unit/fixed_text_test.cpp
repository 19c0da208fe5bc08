#include "fixed_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FixedText, HexHasNoMoreDigitsThanTheValuesType) {
    wchar_t text[32];
    FixedText(text).Hex(0xAB, 99);
    EXPECT_EQ(text, std::wstring(14, L'0') + L"AB");
}

}  // namespace
