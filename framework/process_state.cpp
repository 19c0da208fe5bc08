#include "process_state.h"

#include <windows.h>

#include <cstdint>

namespace {

// The x87 control word and MXCSR: rounding, precision and which floating-point
// exceptions fault.
struct FloatingPointControl {
    std::uint16_t x87 = 0;
    std::uint32_t mxcsr = 0;
};

FloatingPointControl saved;
bool haveSaved = false;

bool HasSse() {
    return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE);
}

// Never the current directory, which may be anybody's folder. The rest of the
// search order stays: a library may rely on it for its own dependencies.
void KeepCurrentDirectoryOutOfDllSearch() noexcept {
    SetDllDirectoryW(L"");
}

}  // namespace

void SaveProcessState() noexcept {
    KeepCurrentDirectoryOutOfDllSearch();
    __asm__ volatile("fnstcw %0" : "=m"(saved.x87));
    if (HasSse()) __asm__ volatile("stmxcsr %0" : "=m"(saved.mxcsr));
    haveSaved = true;
}

void RestoreFloatingPointControl() noexcept {
    if (!haveSaved) return;
    // fninit first: values left on the x87 stack would overflow it in our own
    // arithmetic, and pending exceptions would fire on the load.
    __asm__ volatile("fninit\n\tfldcw %0" : : "m"(saved.x87));
    if (HasSse()) __asm__ volatile("ldmxcsr %0" : : "m"(saved.mxcsr));
}

void RestoreProcessState() noexcept {
    RestoreFloatingPointControl();
    KeepCurrentDirectoryOutOfDllSearch();
}

std::wstring CurrentDirectory() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    return directory;
}
