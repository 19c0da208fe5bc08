#include "floating_point_control.h"

#include <windows.h>

#include <cstdint>

namespace {

// Rounding, precision and which floating-point exceptions fault.
struct FloatingPointControl {
    std::uint16_t x87 = 0;
    std::uint32_t mxcsr = 0;
};

FloatingPointControl saved;
bool haveSaved = false;

bool HasSse() {
    return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE);
}

// A 32-bit DLL built with the Windows compilers is written for the precision
// a new Windows process has, 53 bits (0x027F); the MinGW start-up sets 64 (0x037F).
// x86_64 code does its arithmetic in SSE, and its x87 settings are left as they are.
std::uint16_t ForeignX87(std::uint16_t ours) {
#if defined(__i386__)
    constexpr std::uint16_t kPrecision = 0x0300, k53Bits = 0x0200;
    return static_cast<std::uint16_t>((ours & ~kPrecision) | k53Bits);
#else
    return ours;
#endif
}

void LoadFloatingPointControl(std::uint16_t x87) noexcept {
    if (!haveSaved) return;
    // fninit first: values left on the x87 stack would overflow it in the
    // next code's arithmetic, and pending exceptions would fire on the load.
    __asm__ volatile("fninit\n\tfldcw %0" : : "m"(x87));
    if (HasSse()) __asm__ volatile("ldmxcsr %0" : : "m"(saved.mxcsr));
}

}  // namespace

void SaveFloatingPointControl() noexcept {
    __asm__ volatile("fnstcw %0" : "=m"(saved.x87));
    if (HasSse()) __asm__ volatile("stmxcsr %0" : "=m"(saved.mxcsr));
    haveSaved = true;
}

void RestoreFloatingPointControl() noexcept {
    LoadFloatingPointControl(saved.x87);
}

void FloatingPointControlForForeignCode() noexcept {
    LoadFloatingPointControl(ForeignX87(saved.x87));
}
