#include "twips.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(TwipsToPixels(2670, c.dpi), c.clientWidth) << c.dpi;
        EXPECT_EQ(TwipsToPixels(1155, c.dpi), c.clientHeight) << c.dpi;
        EXPECT_EQ(TwipsToPixels(360, c.dpi), c.buttonLeft) << c.dpi;
        EXPECT_EQ(TwipsToPixels(1935, c.dpi), c.buttonWidth) << c.dpi;
    }
}

}  // namespace
