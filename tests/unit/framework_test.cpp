// The framework's portable halves: the dialog's error numbers, its filter list, twips.
#include "common_dialog_error.h"
#include "file_filter.h"
#include "twips.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

TEST(CommonDialogError, NumbersAndTextsOfTheClassicControl) {
    const struct {
        std::uint32_t code;
        std::int32_t number;
        const wchar_t* description;
    } cases[] = {
        {0x0000, 32755, L"Cancel was selected."},
        {0xFFFF, -32768, L"The function failed to load the dialog box"},
        {0x0002, 32765, L"The function failed during initialization"},
        {0x0009, 32758, L"The function was unable to allocate memory for internal data structures"},
        {0x3001, 20478, L"An attempt to subclass a list box failed due to insufficient memory"},
        {0x3002, 20477, L"Filename is invalid"},
        {0x3003, 20476, L"The buffer at which the member lpstrFile points is too small"},
        {0x0005, 32762, L"The file dialog failed (code 0x0005)"},
    };
    for (const auto& c : cases) {
        const AppError error = CommonDialogError(c.code);
        EXPECT_EQ(error.number, c.number) << c.code;
        EXPECT_EQ(error.description, c.description) << c.code;
    }
}

TEST(FileFilter, PairsBecomeNulSeparatedList) {
    using namespace std::string_literals;
    EXPECT_EQ(FilterForOpenFileDialog(L"Bin Files (*.bin)|*.bin|All Files (*.*)|*.*"),
              L"Bin Files (*.bin)\0*.bin\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(FilterForOpenFileDialog(L""), L"\0"s);
}

TEST(Twips, WindowGeometryAtCommonDpis) {
    const struct {
        int dpi, clientWidth, clientHeight, buttonLeft, buttonWidth;
    } cases[] = {
        {96, 178, 77, 24, 129},
        {120, 223, 96, 30, 161},
        {144, 267, 116, 36, 194},
        {192, 356, 154, 48, 258},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((std::array{TwipsToPixels(2670, c.dpi), TwipsToPixels(1155, c.dpi),
                              TwipsToPixels(360, c.dpi), TwipsToPixels(1935, c.dpi)}),
                  (std::array{c.clientWidth, c.clientHeight, c.buttonLeft, c.buttonWidth}))
            << c.dpi;
    }
}

}  // namespace
