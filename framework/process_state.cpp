#include "process_state.h"

#include <windows.h>

namespace {

bool HasSse() {
    return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE);
}

}  // namespace

FloatingPointControl CurrentFloatingPointControl() noexcept {
    FloatingPointControl control = {0, 0};
    __asm__ volatile("fnstcw %0" : "=m"(control.x87));
    if (HasSse()) __asm__ volatile("stmxcsr %0" : "=m"(control.mxcsr));
    return control;
}

void SetFloatingPointControl(const FloatingPointControl& control) noexcept {
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(control.x87));  // pending exceptions would fire on load
    if (HasSse()) __asm__ volatile("ldmxcsr %0" : : "m"(control.mxcsr));
}

std::wstring CurrentDirectory() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    return directory;
}
