#include "twips.h"

#include <gtest/gtest.h>

#include <array>

namespace {

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
