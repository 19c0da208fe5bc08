#include "library_call.h"

namespace {

// A library may leave floating-point exceptions unmasked; the next message
// box's arithmetic would then fault in our code.
std::uint16_t X87ControlWord() {
    std::uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void SetX87ControlWord(std::uint16_t word) {
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word));  // pending exceptions would fire on load
}

bool HasSse() {
    return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE);
}

std::uint32_t Mxcsr() {
    std::uint32_t value = 0;
    if (HasSse()) __asm__ volatile("stmxcsr %0" : "=m"(value));
    return value;
}

void SetMxcsr(std::uint32_t value) {
    if (HasSse()) __asm__ volatile("ldmxcsr %0" : : "m"(value));
}

std::wstring CurrentDirectory() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    return directory;
}

}  // namespace

// Only reads until the fault watch is ready: if it cannot be, nothing is
// left changed and the library is not called.
LibraryCall::LibraryCall()
    : x87ControlWord_(X87ControlWord()), mxcsr_(Mxcsr()), currentDirectory_(CurrentDirectory()) {
    // A laptop that suspends mid-write cuts the device off half-programmed.
    previousExecutionState_ = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

LibraryCall::~LibraryCall() {
    SetX87ControlWord(x87ControlWord_);
    SetMxcsr(mxcsr_);
    if (!currentDirectory_.empty()) SetCurrentDirectoryW(currentDirectory_.c_str());
    SetDllDirectoryW(L"");  // as start-up left it: never the current directory
    SetThreadExecutionState(previousExecutionState_ != 0 ? previousExecutionState_ : ES_CONTINUOUS);
}
