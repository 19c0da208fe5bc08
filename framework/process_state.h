// Process-wide settings that code of another maker may change and not put back.
#pragma once

#include <cstdint>
#include <string>

// The x87 control word and MXCSR: rounding, precision and which floating-point
// exceptions fault.
struct FloatingPointControl {
    std::uint16_t x87;
    std::uint32_t mxcsr;
};

FloatingPointControl CurrentFloatingPointControl() noexcept;
void SetFloatingPointControl(const FloatingPointControl& control) noexcept;

std::wstring CurrentDirectory();
