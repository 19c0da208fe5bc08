#pragma once

// Geometry is defined in twips (1/1440 inch): 15 twips a pixel at 96 DPI.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}
