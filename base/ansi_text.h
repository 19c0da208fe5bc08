#pragma once

#include <string>

// Text in the system's ANSI code page.
struct AnsiText {
    std::string bytes;
    bool lossless;  // converting the bytes back gives the very same text
};
